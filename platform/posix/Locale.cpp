#include "platform/Locale.h"

#include "platform/posix/StrftimePattern.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>

namespace platform {

namespace {

// The variable that decides a category, as the C library decides it: LC_ALL over the category's
// own over LANG, an empty one counting as unset.
std::string NomeDoLocale(const char* variavelDaCategoria) {
    for (const char* variavel : {"LC_ALL", variavelDaCategoria, "LANG"}) {
        const char* valor = std::getenv(variavel);
        if (valor != nullptr && *valor != '\0')
            return valor;
    }
    return "C";
}

// A 12-hour format loses its AM/PM mark and its hour reads 0-23: the program's files are read back
// with the same pattern, and a mark it cannot parse would make every time in them unreadable. Names
// (week days, months, time zones) likewise have no token; a month name becomes its number.
class Conversor {
public:
    std::string Converter(std::string_view formato) {
        for (std::size_t i = 0; i < formato.size(); ++i) {
            if (formato[i] != '%' || i + 1 == formato.size()) {
                Literal(formato[i]);
                continue;
            }
            char c = formato[++i];
            // GNU flags, field widths and the E/O modifiers change padding or digits only; of them
            // only "no padding" has an equivalent, the one-letter token.
            bool semZeros = false;
            while (c != '\0' && std::strchr("-_0^#EO123456789", c) != nullptr && i + 1 < formato.size()) {
                semZeros = semZeros || c == '-' || c == '_';
                c = formato[++i];
            }
            Conversao(c, semZeros);
        }
        FecharAspas();
        while (!fSaida.empty() && fSaida.back() == ' ')
            fSaida.pop_back();
        return fSaida;
    }

private:
    void Conversao(char c, bool semZeros) {
        switch (c) {
        case 'd':
            Token(semZeros ? "d" : "dd");
            break;
        case 'e':
            Token("d");
            break;
        case 'm':
            Token(semZeros ? "m" : "mm");
            break;
        case 'b':
        case 'B':
        case 'h':
            Token("mm");
            break; // the pattern has no month names
        case 'y':
            Token("yy");
            break;
        case 'Y':
        case 'G':
            Token("yyyy");
            break;
        case 'H':
        case 'I':
            Token(semZeros ? "h" : "hh");
            break;
        case 'k':
        case 'l':
            Token("h");
            break;
        case 'M':
            Token(semZeros ? "n" : "nn");
            break;
        case 'S':
            Token(semZeros ? "s" : "ss");
            break;
        case 'D':
            Token("mm/dd/yy");
            break;
        case 'F':
            Token("yyyy-mm-dd");
            break;
        case 'T':
        case 'r':
            Token("hh:nn:ss");
            break;
        case 'R':
            Token("hh:nn");
            break;
        case 'n':
        case 't':
            Literal(' ');
            break;
        case '%':
            Literal('%');
            break;
        // The AM/PM mark, week days, time zones: nothing in a pattern stands for them.
        default:
            Omitir();
            break;
        }
    }

    void Token(const char* token) {
        FecharAspas();
        fSaida += token;
        fPularEspacos = false;
    }

    // Letters are tokens in the program's notation, so literal letters go between double quotes.
    void Literal(char c) {
        // A double quote has no way to be written in the pattern; no date needs one.
        if ((fPularEspacos && c == ' ') || c == '"')
            return;
        fPularEspacos = false;
        bool letra = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letra != fEmAspas) {
            fSaida += '"';
            fEmAspas = letra;
        }
        fSaida += c;
    }

    void FecharAspas() {
        if (fEmAspas)
            fSaida += '"';
        fEmAspas = false;
    }

    // What is left out goes together with the space that set it apart.
    void Omitir() {
        FecharAspas();
        while (!fSaida.empty() && fSaida.back() == ' ')
            fSaida.pop_back();
        fPularEspacos = fSaida.empty();
    }

    std::string fSaida;
    bool fEmAspas = false;
    bool fPularEspacos = false;
};

std::string Padrao(const char* formato, const std::string& padrao) {
    std::string convertido = posix::StrftimeToPattern(formato != nullptr ? formato : "");
    return convertido.empty() ? padrao : convertido;
}

LocaleFormats Ler(const std::string& nome) {
    LocaleFormats formatos;
    locale_t loc = ::newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, nome.c_str(), static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
        return formatos; // a locale the system does not have reads as "C"
    const char* radix = ::nl_langinfo_l(RADIXCHAR, loc);
    if (radix != nullptr && *radix != '\0')
        formatos.separadorDecimal = *radix;
    formatos.formatoDataCurta = Padrao(::nl_langinfo_l(D_FMT, loc), formatos.formatoDataCurta);
    formatos.formatoHoraLonga = Padrao(::nl_langinfo_l(T_FMT, loc), formatos.formatoHoraLonga);
    ::freelocale(loc);
    return formatos;
}

// Loading a locale reads its files from disk; the names in use are few and their content does not
// change while the program runs, so each is read once.
const LocaleFormats& FormatosDe(const std::string& nome) {
    static std::mutex trava;
    static std::map<std::string, LocaleFormats, std::less<>> cache;
    std::lock_guard<std::mutex> guarda(trava);
    auto it = cache.find(nome);
    if (it == cache.end())
        it = cache.emplace(nome, Ler(nome)).first;
    return it->second;
}

} // namespace

std::string posix::StrftimeToPattern(std::string_view formato) {
    return Conversor().Converter(formato);
}

LocaleFormats UserLocaleFormats() {
    LocaleFormats formatos = FormatosDe(NomeDoLocale("LC_TIME"));
    formatos.separadorDecimal = FormatosDe(NomeDoLocale("LC_NUMERIC")).separadorDecimal;
    return formatos;
}

} // namespace platform
