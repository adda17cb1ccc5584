#include "platform/CodePage.h"

#include "platform/PlatformError.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kPaginas = 5;

const char* NomeIconv(CodePage pagina) {
    switch (pagina) {
    case CodePage::cp437:
        return "IBM437";
    case CodePage::cp850:
        return "IBM850";
    case CodePage::cp852:
        return "IBM852";
    case CodePage::cp860:
        return "IBM860";
    case CodePage::cp1252:
        return "CP1252";
    }
    return "CP1252";
}

// A single-byte page is fully described by what each of its 256 bytes means, so the system's
// converter is asked once per byte and every later conversion is table work.
struct Tabela {
    std::array<char32_t, 256> paraUnicode{};
    std::vector<std::pair<char32_t, unsigned char>> deUnicode; // sorted by code point, above 127
};

Tabela Construir(CodePage pagina) {
    iconv_t cd = ::iconv_open("UTF-32LE", NomeIconv(pagina));
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::error_code codigo(errno, std::generic_category());
        throw PlatformError(std::string("cannot convert from code page ") + NomeIconv(pagina) + ": " +
                                codigo.message(),
                            codigo);
    }
    Tabela tabela;
    std::array<bool, 256> definido{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        // Control bytes and ASCII stay themselves in every page the program uses: some converters
        // draw the DOS pages' control bytes as symbols, which would break line ends and separators.
        if (byte < 128) {
            tabela.paraUnicode[byte] = byte;
            definido[byte] = true;
            continue;
        }
        char entrada = static_cast<char>(byte);
        unsigned char saida[16] = {};
        char* pEntrada = &entrada;
        char* pSaida = reinterpret_cast<char*>(saida);
        std::size_t restaEntrada = 1, restaSaida = sizeof saida;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::size_t r = ::iconv(cd, &pEntrada, &restaEntrada, &pSaida, &restaSaida);
        if (r != static_cast<std::size_t>(-1) && sizeof saida - restaSaida == 4) {
            tabela.paraUnicode[byte] = static_cast<char32_t>(saida[0] | saida[1] << 8 | saida[2] << 16 |
                                                             static_cast<std::uint32_t>(saida[3]) << 24);
            definido[byte] = true;
        } else {
            // Undefined in the page: the same number in Unicode, so the byte survives a round trip.
            tabela.paraUnicode[byte] = byte;
        }
    }
    ::iconv_close(cd);

    // Real characters win over the stand-ins for undefined bytes should both claim a code point.
    for (bool passoDefinidos : {true, false}) {
        for (unsigned byte = 128; byte < 256; ++byte) {
            if (definido[byte] != passoDefinidos)
                continue;
            char32_t cp = tabela.paraUnicode[byte];
            auto jaTem = std::any_of(tabela.deUnicode.begin(), tabela.deUnicode.end(),
                                     [cp](const auto& par) { return par.first == cp; });
            if (cp >= 128 && !jaTem)
                tabela.deUnicode.emplace_back(cp, static_cast<unsigned char>(byte));
        }
    }
    std::sort(tabela.deUnicode.begin(), tabela.deUnicode.end());
    return tabela;
}

const Tabela& TabelaDe(CodePage pagina) {
    static std::array<std::once_flag, kPaginas> prontas;
    static std::array<Tabela, kPaginas> tabelas;
    auto indice = static_cast<std::size_t>(pagina);
    std::call_once(prontas[indice], [&] { tabelas[indice] = Construir(pagina); });
    return tabelas[indice];
}

// Strict UTF-8: overlong forms, surrogates and code points past U+10FFFF are errors. One '?' stands
// for the longest start of a sequence that could still have been valid, and decoding resumes at the
// byte that broke it, so a stray byte never swallows the character after it.
class LeitorUtf8 {
public:
    explicit LeitorUtf8(std::string_view texto) : fTexto(texto) {}

    bool Fim() const { return fPos >= fTexto.size(); }

    // A code point, or -1 for an invalid sequence.
    std::int32_t Proximo() {
        auto b0 = static_cast<unsigned char>(fTexto[fPos++]);
        if (b0 < 0x80)
            return b0;
        int extras;
        std::int32_t cp;
        unsigned char minimo = 0x80, maximo = 0xBF; // the range of the second byte
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            extras = 1;
            cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extras = 2;
            cp = b0 & 0x0F;
            if (b0 == 0xE0)
                minimo = 0xA0; // overlong
            else if (b0 == 0xED)
                maximo = 0x9F; // surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extras = 3;
            cp = b0 & 0x07;
            if (b0 == 0xF0)
                minimo = 0x90; // overlong
            else if (b0 == 0xF4)
                maximo = 0x8F; // past U+10FFFF
        } else {
            return -1;
        }
        for (int i = 0; i < extras; ++i) {
            if (Fim())
                return -1;
            auto b = static_cast<unsigned char>(fTexto[fPos]);
            if (b < minimo || b > maximo)
                return -1;
            minimo = 0x80;
            maximo = 0xBF;
            cp = cp << 6 | (b & 0x3F);
            ++fPos;
        }
        return cp;
    }

private:
    std::string_view fTexto;
    std::size_t fPos = 0;
};

void AcrescentarUtf8(std::string& saida, char32_t cp) {
    if (cp < 0x80) {
        saida += static_cast<char>(cp);
    } else if (cp < 0x800) {
        saida += static_cast<char>(0xC0 | cp >> 6);
        saida += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        saida += static_cast<char>(0xE0 | cp >> 12);
        saida += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        saida += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        saida += static_cast<char>(0xF0 | cp >> 18);
        saida += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        saida += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        saida += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

CodePage AnsiCodePage() {
    // Brazilian Windows installations run on 1252; files must match theirs byte for byte.
    return CodePage::cp1252;
}

std::string FromUtf8(std::string_view utf8, CodePage pagina) {
    const Tabela& tabela = TabelaDe(pagina);
    std::string saida;
    saida.reserve(utf8.size());
    LeitorUtf8 leitor(utf8);
    while (!leitor.Fim()) {
        std::int32_t cp = leitor.Proximo();
        if (cp < 0) {
            saida += '?';
        } else if (cp < 0x80) {
            saida += static_cast<char>(cp);
        } else {
            auto procurado = static_cast<char32_t>(cp);
            auto it = std::lower_bound(tabela.deUnicode.begin(), tabela.deUnicode.end(), procurado,
                                       [](const auto& par, char32_t valor) { return par.first < valor; });
            saida +=
                it != tabela.deUnicode.end() && it->first == procurado ? static_cast<char>(it->second) : '?';
        }
    }
    return saida;
}

std::string ToUtf8(std::string_view bytes, CodePage pagina) {
    const Tabela& tabela = TabelaDe(pagina);
    std::string saida;
    saida.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes)
        AcrescentarUtf8(saida, tabela.paraUnicode[static_cast<unsigned char>(c)]);
    return saida;
}

} // namespace platform
