#include "Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace platform {

namespace {
bool Branco(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
char Maiuscula(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char Hex[] = "0123456789ABCDEF";

int ValorHex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

template <typename T> std::optional<T> ParseInteiro(std::string_view texto) {
    if (!texto.empty() && texto.front() == '+')
        texto.remove_prefix(1);
    T v{};
    auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), v);
    if (texto.empty() || erro != std::errc() || fim != texto.data() + texto.size())
        return std::nullopt;
    return v;
}
} // namespace

std::string TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && Branco(s[i]))
        ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && Branco(s[n - 1]))
        --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
    std::size_t i = 0, n = s.size();
    while (i < n && Branco(s[i]))
        ++i;
    while (n > i && Branco(s[n - 1]))
        --n;
    return std::string(s.substr(i, n - i));
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = Maiuscula(c);
    return r;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Maiuscula(a[i]) != Maiuscula(b[i]))
            return false;
    return true;
}

std::string ToLogText(std::string_view bytes) {
    std::string r;
    r.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const char* nome = nullptr;
        switch (b) {
        case 0:
            nome = "[NUL]";
            break;
        case 1:
            nome = "[SOH]";
            break;
        case 2:
            nome = "[STX]";
            break;
        case 3:
            nome = "[ETX]";
            break;
        case 5:
            nome = "[ENQ]";
            break;
        case 6:
            nome = "[ACK]";
            break;
        case 8:
            nome = "[BS]";
            break;
        case 9:
            nome = "[TAB]";
            break;
        case 10:
            nome = "[LF]";
            break;
        case 12:
            nome = "[FF]";
            break;
        case 13:
            nome = "[CR]";
            break;
        case 17:
            nome = "[WAK]";
            break;
        case 21:
            nome = "[NAK]";
            break;
        case 27:
            nome = "[ESC]";
            break;
        case 28:
            nome = "[FS]";
            break;
        case 29:
            nome = "[GS]";
            break;
        default:
            break;
        }
        if (nome)
            r += nome;
        else if (b >= 32 && b <= 126)
            r += ch;
        else {
            r += '[';
            r += std::to_string(b);
            r += ']';
        }
    }
    return r;
}

std::string EscapeBinary(std::string_view bytes) {
    std::string r;
    r.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 32 || b >= 128) {
            r += "\\x";
            r += Hex[b >> 4];
            r += Hex[b & 0x0F];
        } else {
            r += ch;
        }
    }
    return r;
}

std::string UnescapeBinary(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\\' && i + 3 < texto.size() && texto[i + 1] == 'x') {
            const int alto = ValorHex(texto[i + 2]);
            const int baixo = ValorHex(texto[i + 3]);
            if (alto >= 0 && baixo >= 0) {
                r += static_cast<char>(alto * 16 + baixo);
                i += 3;
                continue;
            }
        }
        r += texto[i];
    }
    return r;
}

std::optional<std::int32_t> ParseInt32(std::string_view texto) {
    return ParseInteiro<std::int32_t>(texto);
}
std::optional<std::int64_t> ParseInt64(std::string_view texto) {
    return ParseInteiro<std::int64_t>(texto);
}

std::string FormatGeneral(double valor, char separadorDecimal) {
    if (valor == 0 || !std::isfinite(valor))
        return "0";
    char buf[64];
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, valor, std::chars_format::general, 15);
    if (erro != std::errc())
        return "0";
    std::string s(buf, fim);
    // Exponents are written as "1E-5" / "1E20": upper-case, no '+', no leading zeros.
    if (auto e = s.find('e'); e != std::string::npos) {
        std::string mantissa = s.substr(0, e);
        std::string expoente = s.substr(e + 1);
        bool negativo = !expoente.empty() && expoente[0] == '-';
        if (!expoente.empty() && (expoente[0] == '-' || expoente[0] == '+'))
            expoente.erase(0, 1);
        expoente.erase(0, std::min(expoente.find_first_not_of('0'), expoente.size() - 1));
        s = mantissa + "E" + (negativo ? "-" : "") + expoente;
    }
    if (auto p = s.find('.'); p != std::string::npos)
        s[p] = separadorDecimal;
    return s;
}

std::optional<double> ParseDecimal(std::string_view texto, char separadorDecimal) {
    std::string t = Trim(texto);
    if (t.empty())
        return std::nullopt;
    int pontos = 0;
    for (char& c : t) {
        if (c == separadorDecimal || c == '.') {
            c = '.';
            ++pontos;
        } else if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == 'e' ||
                     c == 'E')) {
            return std::nullopt;
        }
    }
    if (pontos > 1)
        return std::nullopt;
    std::string_view v = t;
    if (v.front() == '+')
        v.remove_prefix(1);
    double r = 0;
    auto [fim, erro] = std::from_chars(v.data(), v.data() + v.size(), r);
    if (v.empty() || erro != std::errc() || fim != v.data() + v.size() || !std::isfinite(r))
        return std::nullopt;
    return r;
}

std::string FormatTefLogLine(TDateTime quando, std::string_view texto) {
    std::string s = FormatDateTime("dd/mm/yy hh:nn:ss:zzz", quando);
    s += " - ";
    s += texto;
    s += "\r\n";
    return s;
}

} // namespace platform
