#include "OvraTEFAPIComum.h"

#include "platform/Text.h"

namespace {

constexpr std::size_t TamanhoMaximoNome = 128;

// Trimmed and cut to the first 128 characters. The text is UTF-8, so characters are counted, not
// bytes, and a cut never splits one.
std::string NomeAjustado(std::string_view texto) {
    std::string r = platform::Trim(texto);
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(r[i]) & 0xC0) == 0x80)
            continue;
        if (caracteres == TamanhoMaximoNome) {
            r.resize(i);
            break;
        }
        ++caracteres;
    }
    return r;
}

} // namespace

void TOvraTEFAPIDadosAutomacao::SetNomeSoftwareHouse(std::string_view nome) {
    fpNomeSoftwareHouse = NomeAjustado(nome);
}

void TOvraTEFAPIDadosAutomacao::SetNomeAplicacao(std::string_view nome) {
    fpNomeAplicacao = NomeAjustado(nome);
}

void TOvraTEFAPIDadosAutomacao::SetVersaoAplicacao(std::string_view versao) {
    fpVersaoAplicacao = NomeAjustado(versao);
}

void TOvraTEFAPIDadosEstabelecimento::SetRazaoSocial(std::string_view razaoSocial) {
    fpRazaoSocial = platform::Trim(razaoSocial);
}
