// The stored responses of the TEF API and what start-up does with them.

#include "TEFRoteirizado.h"
#include "platform/FileSystem.h"
#include "tef/OvraTEFAPIComum.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::unique_ptr<TOvraTEFResp> Resposta(const std::string& rede, const std::string& nsu, bool confirmar,
                                       const std::string& finalizacao = "F") {
    auto r = std::make_unique<TRespTeste>();
    r->Conteudo().GravaInformacao(1, 0, rede);
    r->Conteudo().GravaInformacao(2, 0, nsu);
    r->Conteudo().GravaInformacao(3, 0, finalizacao);
    r->Conteudo().GravaInformacao(4, 0, confirmar ? "1" : "0");
    r->ConteudoToProperty();
    return r;
}

class Respostas : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string pasta = dir.path() + "/tef/";
    TOvraTEFAPIRespostas holder{&OvraCriarTEFResp<TRespTeste>, pasta, true, true};
    bool Existe(const std::string& nome) { return platform::FileExists(pasta + nome); }
};

} // namespace

TEST_F(Respostas, ADuplicateIsNotStoredTwiceButBlankKeysAlwaysAre) {
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("R", "1", true)), 0);
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("R", "2", true)), 1);
    platform::DeleteFile(pasta + "Ovra_000.tef");
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("R", "1", true)), 0);
    EXPECT_FALSE(Existe("Ovra_000.tef")); // nothing written for the duplicate
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("R", "1", true, "OUTRA")), 2);
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("", "1", true)), 3);
    EXPECT_EQ(holder.AdicionarRespostaTEF(*Resposta("", "1", true)), 4);
    EXPECT_EQ(holder.AcharTransacao("R", "1", ""), 0);
    EXPECT_EQ(holder.AcharTransacao("R", "1", "OUTRA"), 2);
    EXPECT_EQ(holder.AcharTransacao("r", "1", ""), -1);
}

TEST_F(Respostas, OnlyResponsesThatMatterGetAFile) {
    holder.AdicionarRespostaTEF(*Resposta("R", "1", false));
    auto comVia = Resposta("R", "2", false);
    comVia->ImagemComprovante1aVia().push_back("linha");
    holder.AdicionarRespostaTEF(*comVia);
    holder.AdicionarRespostaTEF(*Resposta("R", "3", true));
    EXPECT_EQ(holder.Count(), 3);
    EXPECT_EQ(holder.Items(0).ArqBackup(), "");
    EXPECT_EQ(holder.Items(1).ArqBackup(), pasta + "Ovra_001.tef");
    EXPECT_EQ(holder.Items(2).ArqBackup(), pasta + "Ovra_002.tef");
    EXPECT_FALSE(Existe("Ovra_000.tef"));

    TOvraTEFAPIRespostas soMemoria(&OvraCriarTEFResp<TRespTeste>, dir.path() + "/mem/", false, true);
    soMemoria.AdicionarRespostaTEF(*Resposta("R", "1", true));
    soMemoria.AtualizarTransacaoComTerceiraPerna("R", "1", "");
    EXPECT_TRUE(soMemoria.Items(0).CNFEnviado());
    EXPECT_FALSE(platform::DirectoryExists(dir.path() + "/mem"));
}

TEST_F(Respostas, ANewSaleIdentifierClearsTheStoreWhenAsked) {
    holder.SetIdentificadorTransacao("V1");
    holder.AdicionarRespostaTEF(*Resposta("R", "1", true));
    holder.SetIdentificadorTransacao("V1");
    EXPECT_EQ(holder.Count(), 1);
    holder.SetIdentificadorTransacao("V2");
    EXPECT_EQ(holder.Count(), 0);
    EXPECT_FALSE(Existe("Ovra_000.tef"));

    TOvraTEFAPIRespostas acumula(&OvraCriarTEFResp<TRespTeste>, pasta, true, false);
    acumula.SetIdentificadorTransacao("V1");
    acumula.AdicionarRespostaTEF(*Resposta("R", "1", true));
    acumula.SetIdentificadorTransacao("V2");
    acumula.AdicionarRespostaTEF(*Resposta("R", "2", true));
    EXPECT_TRUE(Existe("Ovra_000.tef"));
    EXPECT_TRUE(Existe("Ovra_001.tef"));
}

TEST_F(Respostas, LoadingKeepsNameOrderAndTheFilesOwnNames) {
    platform::CreateDirectories(pasta);
    for (const char* nome : {"Ovra_010.tef", "Ovra_002.tef", "outro.tef", "ovra_001.tef"}) {
        auto r = Resposta("R", nome, true);
        r->Conteudo().GravaInformacao(899, 102, std::string("doc-") + nome);
        r->Conteudo().GravarArquivo(pasta + nome);
    }
    holder.CarregarRespostasDoDiretorioTrabalho();
    ASSERT_EQ(holder.Count(), 2);
    EXPECT_EQ(holder.Items(0).NSU, "Ovra_002.tef");
    EXPECT_EQ(holder.Items(1).ArqBackup(), pasta + "Ovra_010.tef");
    EXPECT_EQ(holder.IdentificadorTransacao(), "doc-Ovra_010.tef");
    holder.Items(1).SetCNFEnviado(true);
    holder.SalvarRespostasTEF();
    EXPECT_FALSE(Existe("Ovra_001.tef"));
    EXPECT_NE(platform::ReadFile(pasta + "Ovra_010.tef").find("899-001 = S"), std::string::npos);
}

TEST_F(Respostas, ANewResponseNeverTakesAnotherOnesFile) {
    holder.AdicionarRespostaTEF(*Resposta("R", "1", true));
    holder.AdicionarRespostaTEF(*Resposta("R", "2", true));
    const std::string segundo = platform::ReadFile(pasta + "Ovra_001.tef");
    holder.ApagarRespostaTEF(0);
    // position 1 would be Ovra_001.tef, which belongs to the response of NSU 2
    holder.AdicionarRespostaTEF(*Resposta("R", "3", true));
    EXPECT_EQ(platform::ReadFile(pasta + "Ovra_001.tef"), segundo);
    EXPECT_EQ(holder.Items(1).ArqBackup(), pasta + "Ovra_000.tef");

    // nor a file in the folder that the store does not hold
    platform::WriteFileDurable(pasta + "Ovra_002.tef", "lixo");
    holder.AdicionarRespostaTEF(*Resposta("R", "4", true));
    EXPECT_EQ(platform::ReadFile(pasta + "Ovra_002.tef"), "lixo");
    EXPECT_EQ(holder.Items(2).ArqBackup(), pasta + "Ovra_003.tef");
}

TEST_F(Respostas, AFileThatCannotBeReadIsLoggedAndLeftForAPerson) {
    platform::CreateDirectories(pasta);
    Resposta("R", "1", true)->Conteudo().GravarArquivo(pasta + "Ovra_000.tef");
    platform::WriteFileDurable(pasta + "Ovra_001.tef", std::string("\x00\xFF lixo\r\n\x01", 9));
    platform::CreateDirectories(pasta + "Ovra_002.tef"); // a folder is not a file
    Resposta("R", "3", true)->Conteudo().GravarArquivo(pasta + "Ovra_003.tef");
    std::vector<std::string> linhas;
    holder.OnGravarLog = [&](const std::string& l) { linhas.push_back(l); };
    holder.CarregarRespostasDoDiretorioTrabalho();
    ASSERT_EQ(holder.Count(), 2);
    EXPECT_EQ(holder.Items(1).NSU, "3");
    ASSERT_EQ(linhas.size(), 1u);
    EXPECT_EQ(linhas[0], "Arquivo " + pasta + "Ovra_001.tef ignorado: nenhuma informação TEF no arquivo");
    holder.LimparRespostasTEF();
    EXPECT_TRUE(Existe("Ovra_001.tef"));
}

TEST_F(Respostas, AWorkingFolderThatCannotBeMadeIsAnError) {
    platform::WriteFileDurable(dir.file("arquivo"), "x");
    TOvraTEFAPIRespostas ruim(&OvraCriarTEFResp<TRespTeste>, dir.file("arquivo") + "/tef/", true, true);
    try {
        ruim.AdicionarRespostaTEF(*Resposta("R", "1", true));
        FAIL() << "no error";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_EQ(std::string(e.what()), "Diretorio " + dir.file("arquivo") + "/tef/ não existe");
    }
}

// ---------------------------------------------------------------------------------------------
// Start-up

namespace {

class Inicio : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string pasta = dir.path() + "/tef/";
    std::vector<std::string> pendentes;

    // Each start is a new component, as a new run of the program would be.
    std::unique_ptr<TOvraTEFAPITeste> Novo(TOvraTEFTratamentoTransacaoInicializacao inicio,
                                           TOvraTEFTratamentoTransacaoPendente pendente = tefpenConfirmar) {
        auto api = std::make_unique<TOvraTEFAPITeste>();
        api->SetDiretorioTrabalho(pasta);
        api->QuandoFinalizarOperacao = [](TOvraTEFResp&) {};
        api->QuandoExibirMensagem = [](const std::string&, TOvraTEFAPITela, std::int32_t) {};
        api->QuandoPerguntarMenu = [](const std::string&, const std::vector<std::string>&, std::int32_t&) {};
        api->QuandoPerguntarCampo = [](const TOvraTEFAPIDefinicaoCampo&, std::string&, bool&, bool&) {};
        api->QuandoDetectarTransacaoPendente = [this](TOvraTEFResp&, const std::string& msg) {
            pendentes.push_back(msg);
        };
        api->SetModelo(tefApiPayGoWeb);
        api->SetTratamentoTransacaoInicializacao(inicio);
        api->SetTratamentoTransacaoPendente(pendente);
        return api;
    }

    // A run that leaves behind one response of each kind.
    void Deixar(const std::vector<std::pair<RespostaRoteirizada, const char*>>& operacoes) {
        auto api = Novo(tefopiNenhum);
        api->ConfirmarTransacaoAutomaticamente = false;
        api->Inicializar();
        for (const auto& [r, tipo] : operacoes) {
            api->roteirizado->roteiro.push_back(r);
            if (std::string(tipo) == "CRT")
                api->EfetuarPagamento("V", platform::Currency::FromCents(1999));
            else
                api->EfetuarAdministrativa(tefopAdministrativo, "V");
        }
    }

    static RespostaRoteirizada R(const char* nsu, bool confirmar = true) {
        RespostaRoteirizada r;
        r.nsu = nsu;
        r.confirmar = confirmar;
        return r;
    }

    std::vector<std::string> Arquivos() { return platform::ListFiles(pasta, "*"); }
    std::string Arquivo(const std::string& nome) { return platform::ReadFile(pasta + nome); }
};

} // namespace

TEST_F(Inicio, PendingTransactionsAreConfirmedOnceAtStart) {
    Deixar({{R("1"), "CRT"}, {R("2", false), "CRT"}});
    auto api = Novo(tefopiProcessarPendentes);
    api->Inicializar();
    EXPECT_EQ(api->roteirizado->chamadas,
              (std::vector<std::string>{"Resolver REDE 1 F1 tefstsSucessoManual"}));
    EXPECT_NE(Arquivo("Ovra_000.tef").find("899-001 = S"), std::string::npos);
    // the stored entry knows it too: nothing is finalised again before the next start
    EXPECT_TRUE(api->RespostasTEF().Items(0).CNFEnviado());
    api->ConfirmarTransacoesPendentes();
    EXPECT_EQ(api->roteirizado->chamadas.size(), 1u);

    auto depois = Novo(tefopiProcessarPendentes);
    depois->Inicializar();
    EXPECT_TRUE(depois->roteirizado->chamadas.empty());
}

TEST_F(Inicio, PendingTransactionsFollowTheSetting) {
    Deixar({{R("1"), "CRT"}});
    auto pergunta = Novo(tefopiProcessarPendentes, tefpenPerguntar);
    pergunta->Inicializar();
    EXPECT_EQ(pendentes, (std::vector<std::string>{"Transação Pendente.\r\nRede: REDE\r\nNSU: 1"}));
    EXPECT_TRUE(pergunta->roteirizado->chamadas.empty());

    auto estorna = Novo(tefopiProcessarPendentes, tefpenEstornar);
    estorna->Inicializar();
    EXPECT_EQ(estorna->roteirizado->chamadas,
              (std::vector<std::string>{"Resolver REDE 1 F1 tefstsErroEnergia"}));
    EXPECT_NE(Arquivo("Ovra_000.tef").find("899-002 = S"), std::string::npos);

    // an undone payment is not a confirmed one: cancelling everything later leaves it alone
    auto cancela = Novo(tefopiCancelarOuEstornar);
    cancela->Inicializar();
    EXPECT_TRUE(cancela->roteirizado->chamadas.empty());
    EXPECT_TRUE(Arquivos().empty());
}

TEST_F(Inicio, CancelOrUndoEverythingFound) {
    RespostaRoteirizada semConfirmacao = R("4", false);
    semConfirmacao.via1 = {"via do cliente"};
    Deixar({{R("1"), "CRT"}, {R("2"), "CRT"}, {R("3"), "ADM"}, {semConfirmacao, "CRT"}, {R("5"), "ADM"}});
    {
        auto api = Novo(tefopiNenhum);
        api->Inicializar();
        api->FinalizarTransacao("REDE", "2", "F1", tefstsSucessoManual); // payment 2 confirmed
        api->FinalizarTransacao("REDE", "3", "F1", tefstsSucessoManual); // administrative 3 confirmed
    }
    auto api = Novo(tefopiCancelarOuEstornar);
    RespostaRoteirizada cancelamento = R("900", false);
    api->roteirizado->roteiro = {cancelamento, cancelamento};
    api->roteirizado->roteiro[1].nsu = "901";
    api->Inicializar();
    EXPECT_EQ(api->roteirizado->chamadas,
              (std::vector<std::string>{"Finalizar REDE 1 F1 tefstsErroEnergia",
                                        "Finalizar REDE 5 F1 tefstsSucessoManual",
                                        "Cancelar REDE 2 F1 A1 19,99", "Cancelar REDE 4 F1 A1 19,99"}));
    EXPECT_TRUE(Arquivos().empty());
    // what is left is the cancellations' own responses
    ASSERT_EQ(api->RespostasTEF().Count(), 2);
    EXPECT_EQ(api->RespostasTEF().Items(0).NSU, "900");
    EXPECT_EQ(api->RespostasTEF().Items(1).NSU, "901");
}

TEST_F(Inicio, AFailedCancellationKeepsThePaymentsFile) {
    // an approved payment that needed no confirmation, with a receipt to print
    auto r = Resposta("REDE", "7", false, "F1");
    r->SetHeader("CRT");
    r->ImagemComprovante1aVia().push_back("via");
    platform::CreateDirectories(pasta);
    r->Conteudo().GravarArquivo(pasta + "Ovra_000.tef");

    auto api = Novo(tefopiCancelarOuEstornar);
    RespostaRoteirizada recusada = R("900", false);
    recusada.resultado = recusada.sucesso = false;
    api->roteirizado->roteiro = {recusada};
    api->Inicializar();
    EXPECT_EQ(api->roteirizado->chamadas, (std::vector<std::string>{"Cancelar REDE 7 F1  0,00"}));
    EXPECT_EQ(Arquivos(), (std::vector<std::string>{"Ovra_000.tef"}));
    EXPECT_EQ(api->RespostasTEF().Count(), 1);
}

TEST_F(Inicio, APendingReportFromTheHostDoesNotTouchAnUnrelatedFile) {
    Deixar({{R("1"), "CRT"}});
    auto api = Novo(tefopiNenhum);
    api->Inicializar();
    const std::string antes = Arquivo("Ovra_000.tef");
    // The record still names the stored file, but holds another transaction the host reported.
    TOvraTEFResp& u = api->UltimaRespostaTEF();
    u.Assign(api->RespostasTEF().Items(0));
    u.Conteudo().GravaInformacao(2, 0, "999");
    u.ConteudoToProperty();
    api->ResolverTransacaoPendente(tefstsSucessoAutomatico);
    EXPECT_EQ(api->roteirizado->chamadas,
              (std::vector<std::string>{"Resolver REDE 999 F1 tefstsSucessoAutomatico"}));
    EXPECT_EQ(Arquivo("Ovra_000.tef"), antes);
    EXPECT_FALSE(api->RespostasTEF().Items(0).CNFEnviado());
}
