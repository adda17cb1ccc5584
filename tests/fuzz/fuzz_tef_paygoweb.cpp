// The PayGo Web readers of outside text: a networks file, and a stored response rebuilt into its
// fields. Neither may crash or read out of bounds, whatever the bytes.

#include "tef/paygoweb/OvraTEFPayGoComum.h"
#include "tef/paygoweb/OvraTEFPayGoRedes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const std::string_view texto(reinterpret_cast<const char*>(dados), tamanho);

    TOvraTEFPayGoTabelaRedes tabela("", "RedesPayGo");
    tabela.CarregarDeTexto(texto);
    for (int i = 0; i < tabela.Count(); ++i)
        (void)tabela.FindPGWeb(tabela[i].NomePGWeb);
    (void)tabela.Find(52);

    TOvraTEFRespPayGoWeb resposta;
    resposta.Conteudo().LeBytes(texto);
    resposta.ConteudoToProperty();
    return 0;
}
