#include "DateTime.h"

#include "Clock.h"

#include <cctype>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

constexpr std::int64_t MsPorDia = 86'400'000;

// Days since 01/01/1970 for a civil date (valid for the whole Gregorian range).
constexpr std::int64_t DiasDesdeEpoca(int ano, int mes, int dia) {
    const std::int64_t a = ano - (mes <= 2 ? 1 : 0);
    const std::int64_t era = (a >= 0 ? a : a - 399) / 400;
    const std::int64_t yoe = a - era * 400;
    const std::int64_t doy = (153 * (mes + (mes > 2 ? -3 : 9)) + 2) / 5 + dia - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr std::int64_t DiasAteZero = DiasDesdeEpoca(1899, 12, 30);

void CivilDeDias(std::int64_t z, int& ano, int& mes, int& dia) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    dia = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    mes = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    ano = static_cast<int>(yoe + era * 400 + (mes <= 2 ? 1 : 0));
}

bool Bissexto(int ano) {
    return (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
}

// Values further than this from the zero date are not dates anyone writes; decoding them gives zeros.
constexpr double LimiteDias = 2'958'466.0; // 31/12/9999

} // namespace

bool DataValida(int ano, int mes, int dia) {
    static constexpr int DiasNoMes[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (ano < 1 || ano > 9999 || mes < 1 || mes > 12 || dia < 1)
        return false;
    const int max = (mes == 2 && Bissexto(ano)) ? 29 : DiasNoMes[mes - 1];
    return dia <= max;
}

bool HoraValida(int hora, int minuto, int segundo, int milissegundo) {
    return hora >= 0 && hora < 24 && minuto >= 0 && minuto < 60 && segundo >= 0 && segundo < 60 &&
           milissegundo >= 0 && milissegundo < 1000;
}

std::optional<TDateTime> EncodeDate(int ano, int mes, int dia) {
    if (!DataValida(ano, mes, dia))
        return std::nullopt;
    return TDateTime(static_cast<double>(DiasDesdeEpoca(ano, mes, dia) - DiasAteZero));
}

std::optional<TDateTime> EncodeTime(int hora, int minuto, int segundo, int milissegundo) {
    if (!HoraValida(hora, minuto, segundo, milissegundo))
        return std::nullopt;
    const std::int64_t ms = ((hora * 60LL + minuto) * 60 + segundo) * 1000 + milissegundo;
    return TDateTime(static_cast<double>(ms) / MsPorDia);
}

std::optional<TDateTime> EncodeDateTime(int ano, int mes, int dia, int hora, int minuto, int segundo,
                                        int milissegundo) {
    auto data = EncodeDate(ano, mes, dia);
    auto hora_ = EncodeTime(hora, minuto, segundo, milissegundo);
    if (!data || !hora_)
        return std::nullopt;
    // Before the zero date the time of day still counts forwards from midnight.
    return TDateTime(data->dias >= 0 ? data->dias + hora_->dias : data->dias - hora_->dias);
}

DataDecodificada DecodeDateTime(TDateTime dt) {
    DataDecodificada r;
    if (!std::isfinite(dt.dias) || std::fabs(dt.dias) > LimiteDias)
        return r;
    std::int64_t dias = static_cast<std::int64_t>(std::trunc(dt.dias));
    std::int64_t ms = std::llround(std::fabs(dt.dias - std::trunc(dt.dias)) * MsPorDia);
    if (ms >= MsPorDia) {
        ms -= MsPorDia;
        dias += dt.dias >= 0 ? 1 : -1;
    }
    CivilDeDias(dias + DiasAteZero, r.ano, r.mes, r.dia);
    r.milissegundo = static_cast<int>(ms % 1000);
    ms /= 1000;
    r.segundo = static_cast<int>(ms % 60);
    ms /= 60;
    r.minuto = static_cast<int>(ms % 60);
    r.hora = static_cast<int>(ms / 60);
    return r;
}

namespace {

struct Token {
    char letra = 0; // lower-case token letter, or 0 for literal text
    int tamanho = 0;
    std::string_view literal;
};

// Splits a pattern into tokens; calls f for each.
template <typename F> void Tokens(std::string_view padrao, F&& f) {
    std::size_t i = 0;
    while (i < padrao.size()) {
        const char c = padrao[i];
        if (c == '"' || c == '\'') {
            const std::size_t fim = padrao.find(c, i + 1);
            const std::size_t ate = fim == std::string_view::npos ? padrao.size() : fim;
            f(Token{0, 0, padrao.substr(i + 1, ate - i - 1)});
            i = fim == std::string_view::npos ? padrao.size() : fim + 1;
            continue;
        }
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'z') {
            std::size_t j = i;
            while (j < padrao.size() && std::tolower(static_cast<unsigned char>(padrao[j])) == l)
                ++j;
            f(Token{l, static_cast<int>(j - i), {}});
            i = j;
            continue;
        }
        f(Token{0, 0, padrao.substr(i, 1)});
        ++i;
    }
}

void Numero(std::string& s, int valor, int digitos) {
    std::string n = std::to_string(valor);
    if (static_cast<int>(n.size()) < digitos)
        s.append(digitos - n.size(), '0');
    s += n;
}

} // namespace

std::string FormatDateTime(std::string_view padrao, TDateTime dt) {
    const DataDecodificada d = DecodeDateTime(dt);
    std::string s;
    Tokens(padrao, [&](const Token& t) {
        switch (t.letra) {
        case 0:
            s += t.literal;
            break;
        case 'd':
            Numero(s, d.dia, t.tamanho >= 2 ? 2 : 1);
            break;
        case 'm':
            Numero(s, d.mes, t.tamanho >= 2 ? 2 : 1);
            break;
        case 'y':
            if (t.tamanho <= 2)
                Numero(s, d.ano % 100, 2);
            else
                Numero(s, d.ano, 4);
            break;
        case 'h':
            Numero(s, d.hora, t.tamanho >= 2 ? 2 : 1);
            break;
        case 'n':
            Numero(s, d.minuto, t.tamanho >= 2 ? 2 : 1);
            break;
        case 's':
            Numero(s, d.segundo, t.tamanho >= 2 ? 2 : 1);
            break;
        case 'z':
            Numero(s, d.milissegundo, t.tamanho >= 3 ? 3 : 1);
            break;
        }
    });
    return s;
}

std::optional<TDateTime> ParseDateTime(std::string_view padrao, std::string_view texto) {
    int ano = -1, mes = -1, dia = -1, hora = 0, minuto = 0, segundo = 0, ms = 0;
    bool temData = false, anoCurto = false;
    std::size_t pos = 0;
    bool ok = true;

    auto pularBrancos = [&] {
        while (pos < texto.size() && texto[pos] == ' ')
            ++pos;
    };
    auto lerNumero = [&](int maxDigitos, int& destino) {
        pularBrancos();
        std::size_t ini = pos;
        int v = 0;
        while (pos < texto.size() && pos - ini < static_cast<std::size_t>(maxDigitos) &&
               std::isdigit(static_cast<unsigned char>(texto[pos]))) {
            v = v * 10 + (texto[pos] - '0');
            ++pos;
        }
        if (pos == ini)
            ok = false;
        destino = v;
        return static_cast<int>(pos - ini);
    };

    Tokens(padrao, [&](const Token& t) {
        if (!ok)
            return;
        switch (t.letra) {
        case 0:
            for (char c : t.literal) {
                if (c == ' ') {
                    pularBrancos();
                    continue;
                }
                if (pos >= texto.size() || texto[pos] != c) {
                    ok = false;
                    return;
                }
                ++pos;
            }
            break;
        case 'd':
            lerNumero(2, dia);
            temData = true;
            break;
        case 'm':
            lerNumero(2, mes);
            temData = true;
            break;
        case 'y':
            anoCurto = lerNumero(4, ano) <= 2;
            temData = true;
            break;
        case 'h':
            lerNumero(2, hora);
            break;
        case 'n':
            lerNumero(2, minuto);
            break;
        case 's':
            lerNumero(2, segundo);
            break;
        case 'z':
            lerNumero(3, ms);
            break;
        }
    });
    pularBrancos();
    if (!ok || pos != texto.size())
        return std::nullopt;

    double dias = 0;
    if (temData) {
        if (anoCurto)
            ano += DecodeDateTime(Now()).ano / 100 * 100;
        auto data = EncodeDate(ano, mes, dia);
        if (!data)
            return std::nullopt;
        dias = data->dias;
    }
    auto h = EncodeTime(hora, minuto, segundo, ms);
    if (!h)
        return std::nullopt;
    return TDateTime(dias >= 0 ? dias + h->dias : dias - h->dias);
}

} // namespace platform
