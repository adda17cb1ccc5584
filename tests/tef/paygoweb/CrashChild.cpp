// A point of sale that dies between approval and confirmation: it approves one payment through the
// engine and then waits to be killed, never confirming. Arguments: the scenario file and the
// working directory.

#include "tef/paygoweb/OvraTEFPayGoWebComum.h"

#include "platform/Environment.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    platform::SetEnv("PGWEBLIB_SCENARIO", argv[1]);
    TOvraTEFPGWebAPI api;
    api.OnObtemCampo = [](const TOvraTEFPGWebAPIDefinicaoCampo&, std::string&, bool&, bool& cancelado) {
        cancelado = true;
    };
    api.OnExibeMenu = [](const std::string&, const std::vector<std::string>&, int&, bool& cancelado) {
        cancelado = true;
    };
    api.OnExibeMensagem = [](const std::string&, TOvraTEFPGWebAPITerminalMensagem, int) {};
    api.OnAguardaPinPad = [](TOvraTEFPGWebAPIOperacaoPinPad, bool&) {};
    api.SetPathLib(std::string(QUENDO_PGWEB_STANDIN_DIR) + "/completa/");
    api.SetDiretorioTrabalho(argv[2]);
    try {
        api.Inicializar();
        api.IniciarTransacao(PWOPER_SALE);
        api.AdicionarParametro(PWINFO_TOTAMNT, "1999");
        const bool aprovada = api.ExecutarTransacao();
        std::printf("%s\n", aprovada ? "APROVADA" : "NEGADA");
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::printf("ERRO %s\n", e.what());
        std::fflush(stdout);
        return 1;
    }
    // Waits for the kill; the transaction is never confirmed.
    for (;;)
        ::pause();
}
