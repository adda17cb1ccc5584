// A process that dies between the host's approval and the confirmation loses nothing: the next
// start finishes the transaction exactly once.

#include "TEFRoteirizado.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

class Queda : public ::testing::TestWithParam<TOvraTEFTratamentoTransacaoInicializacao> {
protected:
    testsupport::TempDir dir;
    std::string pasta = dir.path() + "/tef/";
    std::string livro = dir.file("livro.txt");

    void PagarEMorrer() {
        std::string filho = QUENDO_FILHO_QUE_MORRE;
        char* args[] = {filho.data(), pasta.data(), livro.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, filho.c_str(), nullptr, nullptr, args, environ), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        ASSERT_EQ(WTERMSIG(status), SIGKILL);
    }

    std::vector<std::string> Livro() {
        std::vector<std::string> linhas;
        if (!platform::FileExists(livro))
            return linhas;
        const std::string texto = platform::ReadFile(livro);
        for (std::size_t i = 0, fim; i < texto.size(); i = fim + 1) {
            fim = texto.find('\n', i);
            linhas.push_back(texto.substr(i, fim - i));
        }
        return linhas;
    }

    void Iniciar() {
        TOvraTEFAPITeste api;
        api.aoCriar = [&](TEFRoteirizado& tef) { tef.arquivoLivro = livro; };
        api.SetDiretorioTrabalho(pasta);
        api.QuandoFinalizarOperacao = [](TOvraTEFResp&) {};
        api.QuandoExibirMensagem = [](const std::string&, TOvraTEFAPITela, std::int32_t) {};
        api.QuandoPerguntarMenu = [](const std::string&, const std::vector<std::string>&, std::int32_t&) {};
        api.QuandoPerguntarCampo = [](const TOvraTEFAPIDefinicaoCampo&, std::string&, bool&, bool&) {};
        api.SetModelo(tefApiPayGoWeb);
        api.SetTratamentoTransacaoInicializacao(GetParam());
        api.Inicializar();
    }
};

} // namespace

TEST_P(Queda, TheNextStartFinishesTheTransactionExactlyOnce) {
    PagarEMorrer();
    ASSERT_TRUE(platform::FileExists(pasta + "Ovra_000.tef"));
    EXPECT_EQ(platform::ReadFile(pasta + "Ovra_000.tef").find("899-001"), std::string::npos);
    EXPECT_TRUE(Livro().empty());

    Iniciar();
    if (GetParam() == tefopiProcessarPendentes) {
        EXPECT_EQ(Livro(), (std::vector<std::string>{"Resolver REDE 000123 F1 tefstsSucessoManual"}));
        EXPECT_NE(platform::ReadFile(pasta + "Ovra_000.tef").find("899-001 = S\r\n"), std::string::npos);
    } else {
        EXPECT_EQ(Livro(), (std::vector<std::string>{"Finalizar REDE 000123 F1 tefstsErroEnergia"}));
        EXPECT_TRUE(platform::ListFiles(pasta, "*").empty());
    }

    const auto depoisDoSegundo = Livro();
    Iniciar();
    EXPECT_EQ(Livro(), depoisDoSegundo);
}

INSTANTIATE_TEST_SUITE_P(AoIniciar, Queda,
                         ::testing::Values(tefopiProcessarPendentes, tefopiCancelarOuEstornar));
