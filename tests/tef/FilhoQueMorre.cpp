// A point-of-sale run that dies (SIGKILL) after the host approved a payment and the response was
// stored, just before the confirmation would reach the library. Arguments: working folder, ledger.

#include "TEFRoteirizado.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "uso: %s pasta livro\n", argv[0]);
        return 2;
    }
    TOvraTEFAPITeste api;
    api.aoCriar = [&](TEFRoteirizado& tef) {
        tef.arquivoLivro = argv[2];
        tef.morrerAoFinalizar = true;
        tef.roteiro.push_back({});
    };
    api.SetDiretorioTrabalho(argv[1]);
    api.QuandoFinalizarOperacao = [](TOvraTEFResp&) {};
    api.QuandoExibirMensagem = [](const std::string&, TOvraTEFAPITela, std::int32_t) {};
    api.QuandoPerguntarMenu = [](const std::string&, const std::vector<std::string>&, std::int32_t&) {};
    api.QuandoPerguntarCampo = [](const TOvraTEFAPIDefinicaoCampo&, std::string&, bool&, bool&) {};
    api.SetModelo(tefApiPayGoWeb);
    api.SetTratamentoTransacaoInicializacao(tefopiNenhum);
    api.Inicializar();
    api.EfetuarPagamento("VENDA1", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito});
    std::fprintf(stderr, "o processo devia ter morrido antes da confirmação\n");
    return 1;
}
