// First, alone: the header must compile by itself.
#include "tef/paygoweb/OvraTEFAPIPayGoWeb.h"

#include "PGWebSimulada.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// Stands still: the PIN-pad's "nothing yet" costs no time.
class RelogioParado : public platform::Clock {
public:
    platform::TDateTime Agora() override { return *platform::EncodeDateTime(2025, 6, 1, 12, 0, 0); }
    std::uint64_t Ticks() override { return ticks; }
    void Dormir(std::uint32_t ms) override { ticks += ms; }
    std::uint64_t ticks = 0;
};

struct Finalizacao {
    bool sucesso;
    std::string texto;
};

// The TEF API with the PayGo Web driver over the stand-in, and an application that writes down what
// it is asked.
class DriverPayGoWeb : public ::testing::Test {
protected:
    void Cenario(const std::string& texto) { simulada.Cenario(texto); }

    std::vector<std::string> Transcricao(const std::string& inicio = "") const {
        return simulada.Transcricao(inicio);
    }

    // The calls of the last transaction of the given operation, from its PW_iNewTransac on.
    std::vector<std::string> TranscricaoDesde(const std::string& novaTransacao) const {
        const auto t = Transcricao();
        auto it = std::find_if(t.rbegin(), t.rend(),
                               [&](const std::string& l) { return l.rfind(novaTransacao, 0) == 0; });
        return it == t.rend() ? std::vector<std::string>{}
                              : std::vector<std::string>(std::prev(it.base()), t.end());
    }

    std::unique_ptr<TOvraTEFAPI>
    Criar(TOvraTEFTratamentoTransacaoInicializacao inicio = tefopiProcessarPendentes,
          bool confirmarAutomaticamente = true,
          TOvraTEFTratamentoTransacaoPendente pendente = tefpenConfirmar) {
        auto api = std::make_unique<TOvraTEFAPI>();
        api->QuandoGravarLog = [this](const std::string& linha, bool& tratado) {
            log.push_back(linha);
            tratado = true;
        };
        api->SetDiretorioTrabalho(pasta.file("tef"));
        api->SetTratamentoTransacaoInicializacao(inicio);
        api->SetTratamentoTransacaoPendente(pendente);
        api->ConfirmarTransacaoAutomaticamente = confirmarAutomaticamente;
        api->DadosAutomacao().SetNomeAplicacao("Quendo");
        api->DadosAutomacao().SetVersaoAplicacao("1.0");
        api->DadosAutomacao().SetNomeSoftwareHouse("Ovra");
        api->SetModelo(tefApiPayGoWeb);
        auto& driver = dynamic_cast<TOvraTEFAPIClassPayGoWeb&>(api->TEF());
        driver.TEFPayGoAPI().SetPathLib(PastaBiblioteca());
        driver.TEFPayGoAPI().SetRelogio(&relogio);

        api->QuandoExibirMensagem = [this](const std::string& texto, TOvraTEFAPITela tela, std::int32_t) {
            if (!texto.empty())
                eventos.push_back("mensagem " + std::to_string(tela) + " " + texto);
        };
        api->QuandoPerguntarMenu = [this](const std::string& titulo, const std::vector<std::string>& opcoes,
                                          std::int32_t& item) {
            std::string linha = "menu " + titulo;
            for (const auto& o : opcoes)
                linha += " [" + o + "]";
            eventos.push_back(linha);
            item = itemMenu;
        };
        api->QuandoPerguntarCampo = [this](const TOvraTEFAPIDefinicaoCampo& d, std::string& resposta, bool&,
                                           bool& cancelado) {
            eventos.push_back("campo " + d.TituloPergunta);
            if (respostas.empty()) {
                cancelado = true;
                return;
            }
            resposta = respostas.front();
            respostas.erase(respostas.begin());
        };
        api->QuandoEsperarOperacao = [this](TOvraTEFAPIOperacaoAPI operacao, bool& cancelar) {
            eventos.push_back("espera " + std::to_string(operacao));
            cancelar = cancelarEspera;
        };
        api->QuandoExibirQRCode = [this](const std::string& dados) { qrcodes.push_back(dados); };
        api->QuandoFinalizarOperacao = [this](TOvraTEFResp& resp) {
            finalizacoes.push_back({resp.Sucesso, resp.TextoEspecialOperador});
        };
        return api;
    }

    std::vector<std::string> ArquivosTEF() const {
        auto arquivos = platform::ListFiles(pasta.file("tef") + "/", "Ovra_*.tef");
        std::sort(arquivos.begin(), arquivos.end());
        return arquivos;
    }
    std::string Conteudo(const std::string& arquivo) const {
        std::ifstream f(pasta.file("tef") + "/" + arquivo, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    testsupport::TempDir pasta;
    PGWebSimulada simulada{pasta.path()};
    RelogioParado relogio;
    std::vector<std::string> log;
    std::vector<std::string> eventos;
    std::vector<std::string> respostas;
    std::vector<std::string> qrcodes;
    std::vector<Finalizacao> finalizacoes;
    std::int32_t itemMenu = 0;
    bool cancelarEspera = false;
};

// An approved credit sale, as the host answers it.
const char* const VendaAprovada = "result.50 = 00042\n"
                                  "result.53 = REDE\n"
                                  "result.54 = LOJA\\xC71\n"
                                  "result.66 = APROVADA\n"
                                  "result.67 = 1\n"
                                  "result.68 = LOC42\n"
                                  "result.69 = 123456\n"
                                  "result.70 = AUT99\n"
                                  "result.37 = 1999\n";

TEST_F(DriverPayGoWeb, AnApprovedCreditSaleWithMenuPinAndCardRemoval) {
    Cenario(std::string("[transaction]\n"
                        "expect.59 = 1\n"
                        "step = capture\n"
                        "record = 59 1\n"
                        "rec.szPrompt = FORMA DE PAGAMENTO\n"
                        "rec.bNumOpcoesMenu = 2\n"
                        "rec.vszTextoMenu.0 = A VISTA\n"
                        "rec.vszValorMenu.0 = 1\n"
                        "rec.vszTextoMenu.1 = PARCELADO\n"
                        "rec.vszValorMenu.1 = 2\n"
                        "step = capture\n"
                        "record = 0 6\n"
                        "ppevents = display:DIGITE A SENHA;nothing;0\n"
                        "step = capture\n"
                        "record = 0 13\n"
                        "ppevents = display:RETIRE O CARTAO;0\n"
                        "step = 0\n") +
            VendaAprovada);
    auto api = Criar();
    api->Inicializar();
    eventos.clear();

    EXPECT_TRUE(
        api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));

    std::vector<std::string> parametros;
    for (const auto& l : TranscricaoDesde("PW_iNewTransac(33)"))
        if (l.rfind("PW_iAddParam(", 0) == 0)
            parametros.push_back(l);
    EXPECT_EQ(parametros, (std::vector<std::string>{
                              "PW_iAddParam(21, Quendo) = 0",
                              "PW_iAddParam(22, 1.0) = 0",
                              "PW_iAddParam(23, Ovra) = 0",
                              "PW_iAddParam(36, 396) = 0",
                              "PW_iAddParam(243, OvraTEFPGWebAPI 1.0.1) = 0",
                              "PW_iAddParam(40, 42) = 0",
                              "PW_iAddParam(39, 2) = 0",
                              "PW_iAddParam(37, 1999) = 0",
                              "PW_iAddParam(38, 986) = 0",
                              "PW_iAddParam(7969, 1) = 0",
                              "PW_iAddParam(41, 1) = 0",
                              "PW_iAddParam(59, 1) = 0",
                          }));
    EXPECT_EQ(eventos, (std::vector<std::string>{
                           "menu FORMA DE PAGAMENTO [A VISTA] [PARCELADO]",
                           "mensagem 0 DIGITE A SENHA",
                           "espera 3",
                           "espera 3",
                           "mensagem 0 REMOVER O CARTAO",
                           "mensagem 0 RETIRE O CARTAO",
                           "espera 5",
                       }));
    // The request number goes back exactly as the host gave it, leading zeros and all.
    EXPECT_EQ(Transcricao("PW_iConfirmation("),
              (std::vector<std::string>{
                  "PW_iConfirmation(289, 00042, LOC42, 123456, LOJA\\xC71, REDE) = 0 confirmed"}));
    ASSERT_EQ(finalizacoes.size(), 1u);
    EXPECT_TRUE(finalizacoes[0].sucesso);
    EXPECT_EQ(finalizacoes[0].texto, "APROVADA");

    ASSERT_EQ(ArquivosTEF(), (std::vector<std::string>{"Ovra_000.tef"}));
    EXPECT_EQ(Conteudo("Ovra_000.tef"), "000-000 = 0\r\n"
                                        "037-000 = 1999\r\n"
                                        "050-000 = 00042\r\n"
                                        "053-000 = REDE\r\n"
                                        "054-000 = LOJA\\xC71\r\n"
                                        "066-000 = APROVADA\r\n"
                                        "067-000 = 1\r\n"
                                        "068-000 = LOC42\r\n"
                                        "069-000 = 123456\r\n"
                                        "070-000 = AUT99\r\n"
                                        "899-001 = S\r\n"
                                        "899-100 = CRT\r\n");
}

struct Queda {
    TOvraTEFTratamentoTransacaoPendente tratamento;
    const char* confirmacao;
    bool estornada;
};

class DriverPayGoWebQueda : public DriverPayGoWeb, public ::testing::WithParamInterface<Queda> {};

TEST_P(DriverPayGoWebQueda, APaymentLeftPendingByACrashIsFinalisedOnceAtTheNextStart) {
    Cenario(std::string("[transaction]\nstep = 0\n") + VendaAprovada);
    {
        auto api = Criar(tefopiProcessarPendentes, false);
        api->Inicializar();
        ASSERT_TRUE(
            api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));
        // Gone before anyone confirmed: the file and the host's ledger are all that is left.
    }
    EXPECT_TRUE(Transcricao("PW_iConfirmation(").empty());
    ASSERT_EQ(ArquivosTEF(), (std::vector<std::string>{"Ovra_000.tef"}));
    EXPECT_EQ(Conteudo("Ovra_000.tef").find("899-001"), std::string::npos);

    auto api = Criar(tefopiProcessarPendentes, true, GetParam().tratamento);
    api->Inicializar();
    EXPECT_EQ(Transcricao("PW_iConfirmation("),
              (std::vector<std::string>{std::string("PW_iConfirmation(") + GetParam().confirmacao +
                                        ", 00042, LOC42, 123456, LOJA\\xC71, REDE) = 0 " +
                                        (GetParam().estornada ? "undone" : "confirmed")}));
    const std::string conteudo = Conteudo("Ovra_000.tef");
    EXPECT_NE(conteudo.find("899-001 = S\r\n"), std::string::npos);
    EXPECT_EQ(conteudo.find("899-002 = S\r\n") != std::string::npos, GetParam().estornada);

    EXPECT_TRUE(api->EfetuarAdministrativa(tefopTesteComunicacao, "42"));
    EXPECT_EQ(Transcricao("PW_iConfirmation(").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(ConfirmarOuEstornar, DriverPayGoWebQueda,
                         ::testing::Values(Queda{tefpenConfirmar, "12833", false},
                                           Queda{tefpenEstornar, "536881", true}),
                         [](const auto& info) { return info.param.estornada ? "Estorno" : "Confirmacao"; });

TEST_F(DriverPayGoWeb, ADeclineIsAResultWithTheHostsMessage) {
    Cenario("[transaction]\nstep = -2596\nresult.66 = TRANSACAO NEGADA\n");
    auto api = Criar();
    api->Inicializar();
    EXPECT_FALSE(
        api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));
    ASSERT_EQ(finalizacoes.size(), 1u);
    EXPECT_FALSE(finalizacoes[0].sucesso);
    EXPECT_EQ(finalizacoes[0].texto, "TRANSACAO NEGADA");
    EXPECT_EQ(api->UltimaRespostaTEF().TextoEspecialOperador, "TRANSACAO NEGADA");
    EXPECT_TRUE(Transcricao("PW_iConfirmation(").empty());
    EXPECT_TRUE(ArquivosTEF().empty());
}

TEST_F(DriverPayGoWeb, ACancelFromTheWaitAbortsAndUndoes) {
    Cenario("[transaction]\n"
            "step = capture\n"
            "record = 0 6\n"
            "ppevents = display:DIGITE A SENHA;nothing;nothing;0\n"
            "during.50 = 00077\n"
            "during.67 = 1\n"
            "during.68 = LOC77\n"
            "during.69 = 777\n"
            "during.116 = OPERACAO CANCELADA\n"
            "during.117 = CANCELADA\n");
    auto api = Criar();
    api->Inicializar();
    cancelarEspera = true;
    EXPECT_FALSE(
        api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));

    EXPECT_EQ(Transcricao("PW_iPPAbort(").size(), 1u);
    EXPECT_EQ(Transcricao("PW_iPPDisplay("), (std::vector<std::string>{"PW_iPPDisplay(CANCELADA) = 0"}));
    EXPECT_EQ(Transcricao("PW_iConfirmation("),
              (std::vector<std::string>{"PW_iConfirmation(274737, 00077, LOC77, 777, , ) = 0 undone"}));
    EXPECT_EQ(platform::Trim(api->UltimaRespostaTEF().LeInformacao(PWINFO_RET, 0).AsString()), "-2491");
    ASSERT_EQ(finalizacoes.size(), 1u);
    EXPECT_FALSE(finalizacoes[0].sucesso);
    EXPECT_EQ(finalizacoes[0].texto, "OPERACAO CANCELADA");
    // The wait was asked once: the cancel ended it.
    EXPECT_EQ(std::count(eventos.begin(), eventos.end(), "espera 3"), 1);
}

TEST_F(DriverPayGoWeb, ARefusedParameterFailsThePaymentAndTheNextOneWorks) {
    Cenario(std::string("[transaction]\naddparam.37 = -2499\n[transaction]\nstep = 0\n") + VendaAprovada);
    auto api = Criar();
    api->Inicializar();
    EXPECT_FALSE(
        api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));
    ASSERT_EQ(finalizacoes.size(), 1u);
    EXPECT_FALSE(finalizacoes[0].sucesso);
    EXPECT_EQ(finalizacoes[0].texto, "Valor 1999 Inválido para parâmetro PWINFO_TOTAMNT");
    EXPECT_FALSE(api->EmTransacao());

    EXPECT_TRUE(
        api->EfetuarPagamento("43", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));
    ASSERT_EQ(finalizacoes.size(), 2u);
    EXPECT_TRUE(finalizacoes[1].sucesso);
}

TEST_F(DriverPayGoWeb, AFailureBeforeTheLibraryRunsNeverShowsThePreviousApproval) {
    Cenario(std::string("[transaction]\nstep = 0\n") + VendaAprovada);
    auto api = Criar();
    api->Inicializar();
    ASSERT_TRUE(
        api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito}));

    EXPECT_THROW(api->EfetuarPagamento("42", platform::Currency(), tefmpCartao, {teftcCredito}),
                 EOvraTEFAPIErro);
    ASSERT_EQ(finalizacoes.size(), 2u);
    EXPECT_FALSE(finalizacoes[1].sucesso);
    EXPECT_EQ(finalizacoes[1].texto, "Valor do Pagamento inválido");
    EXPECT_FALSE(api->UltimaRespostaTEF().Sucesso);
}

TEST_F(DriverPayGoWeb, AQRCodeIsShownOnceAndClearedOnce) {
    Cenario(std::string("[transaction]\n"
                        "expect.7969 = 8\n"
                        "during.8055 = 00020101021226QRDADOS\n"
                        "step = capture\n"
                        "record = 0 20\n"
                        "rec.szPrompt = PAGUE COM O CELULAR\n"
                        "step = capture\n"
                        "record = 0 20\n"
                        "rec.szPrompt = PAGUE COM O CELULAR\n"
                        "step = 0\n") +
            VendaAprovada);
    auto api = Criar();
    api->Inicializar();
    EXPECT_TRUE(api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCarteiraVirtual));
    EXPECT_EQ(qrcodes, (std::vector<std::string>{"00020101021226QRDADOS", ""}));
    EXPECT_EQ(std::count(eventos.begin(), eventos.end(), "espera 6"), 2);
    EXPECT_EQ(std::count(eventos.begin(), eventos.end(), "mensagem 2 PAGUE COM O CELULAR"), 2);
}

// Each stored operation of an earlier run, as the host approved it.
std::string Aprovada(const std::string& n) {
    return "step = 0\nresult.50 = 000" + n +
           "\nresult.53 = REDE\nresult.54 = LOJA1\nresult.66 = APROVADA\n"
           "result.67 = 1\nresult.68 = LOC" +
           n + "\nresult.69 = " + n + "1\nresult.37 = 1000\n";
}

struct Inicio {
    const char* cancelamento;
    bool cancelado;
};

class DriverPayGoWebInicio : public DriverPayGoWeb, public ::testing::WithParamInterface<Inicio> {};

TEST_P(DriverPayGoWebInicio, StartingWithCancelOrUndoClearsTheWorkingDirectory) {
    Cenario("[transaction]\n" + Aprovada("11") + "[transaction]\n" + Aprovada("12") + "[transaction]\n" +
            Aprovada("13") +
            "[transaction]\n"
            "expect.88 = 111\n"
            "expect.114 = 00011\n"
            "expect.120 = LOC11\n" +
            GetParam().cancelamento);
    {
        auto api = Criar(tefopiProcessarPendentes, false);
        api->Inicializar();
        ASSERT_TRUE(api->EfetuarPagamento("7", platform::Currency::FromCents(1000)));
        api->FinalizarTransacao();
        ASSERT_TRUE(api->EfetuarAdministrativa(tefopAdministrativo, "7"));
        api->FinalizarTransacao();
        ASSERT_TRUE(api->EfetuarPagamento("7", platform::Currency::FromCents(1000)));
    }
    ASSERT_EQ(ArquivosTEF().size(), 3u);
    const auto antes = Transcricao().size();

    auto api = Criar(tefopiCancelarOuEstornar);
    api->Inicializar();

    const auto t = Transcricao();
    std::vector<std::string> depois;
    for (std::size_t i = antes; i < t.size(); ++i)
        if (t[i].rfind("PW_iConfirmation(", 0) == 0 || t[i].rfind("PW_iNewTransac(34)", 0) == 0)
            depois.push_back(t[i]);
    std::vector<std::string> esperado{"PW_iConfirmation(536881, 00013, LOC13, 131, LOJA1, REDE) = 0 undone",
                                      "PW_iNewTransac(34) = 0"};
    if (GetParam().cancelado)
        esperado.push_back("PW_iConfirmation(289, 00014, LOC14, 141, LOJA1, REDE) = 0 confirmed");
    EXPECT_EQ(depois, esperado);

    std::vector<std::string> cabecalhos;
    for (const auto& arquivo : ArquivosTEF()) {
        const std::string c = Conteudo(arquivo);
        cabecalhos.push_back(c.substr(c.find("899-100 = ") + 10, 3));
    }
    if (GetParam().cancelado)
        EXPECT_EQ(cabecalhos, (std::vector<std::string>{"CNC"}));
    else
        EXPECT_EQ(cabecalhos, (std::vector<std::string>{"CRT"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cancelamento, DriverPayGoWebInicio,
    ::testing::Values(Inicio{"step = 0\nresult.50 = 00014\nresult.53 = REDE\nresult.54 = LOJA1\nresult.66 = "
                             "CANCELADA\nresult.67 = 1\nresult.68 = LOC14\nresult.69 = 141\n",
                             true},
                      Inicio{"step = -2596\nresult.66 = CANCELAMENTO NEGADO\n", false}),
    [](const auto& info) { return info.param.cancelado ? "Aceito" : "Negado"; });

TEST_F(DriverPayGoWeb, AnAmountTypedWithTwoDecimalsReachesTheLibraryInCents) {
    const struct {
        const char* digitado;
        const char* enviado;
    } casos[] = {{"12.34", "1234"}, {"1.5", "1.5"}, {"12.345", "12.345"}, {"1234", "1234"}};
    std::string cenario;
    for (const auto& c : casos)
        cenario +=
            std::string("[transaction]\nstep = capture\nrecord = 37 2\nexpect.37 = ") + c.enviado + "\n";
    Cenario(cenario);
    auto api = Criar();
    api->Inicializar();
    for (const auto& c : casos) {
        respostas = {c.digitado};
        EXPECT_TRUE(api->EfetuarAdministrativa(tefopAdministrativo, "1")) << c.digitado;
    }
}

TEST_F(DriverPayGoWeb, AcceptedCardKindsAddUpToOneCode) {
    Cenario("[transaction]\nexpect.41 = 5\nstep = 0\n[transaction]\nstep = 0\n");
    auto api = Criar();
    api->Inicializar();
    EXPECT_TRUE(api->EfetuarPagamento("1", platform::Currency::FromCents(1234), tefmpNaoDefinido,
                                      {teftcCredito, teftcVoucher}));
    EXPECT_TRUE(api->EfetuarPagamento("2", platform::Currency::FromCents(1234)));
    const auto segunda = TranscricaoDesde("PW_iNewTransac(33)");
    EXPECT_TRUE(std::none_of(segunda.begin(), segunda.end(),
                             [](const std::string& l) { return l.rfind("PW_iAddParam(41,", 0) == 0; }));
}

TEST_F(DriverPayGoWeb, AnAdministrativeCodeOutsideTheOperationsRunsTheMenu) {
    Cenario("");
    auto api = Criar();
    api->Inicializar();
    const struct {
        const char* codigo;
        const char* transacao;
    } casos[] = {{"300", "PW_iNewTransac(32) = 0"},
                 {"abc", "PW_iNewTransac(32) = 0"},
                 {"0", "PW_iNewTransac(0) = 0"},
                 {"16", "PW_iNewTransac(16) = 0"}};
    for (const auto& c : casos) {
        EXPECT_TRUE(api->EfetuarAdministrativa(std::string(c.codigo), "1"));
        EXPECT_EQ(Transcricao("PW_iNewTransac(").back(), c.transacao) << c.codigo;
    }
    EXPECT_TRUE(api->EfetuarAdministrativa(tefopFechamento, "1"));
    EXPECT_EQ(Transcricao("PW_iNewTransac(").back(), "PW_iNewTransac(40) = 0");
}

TEST_F(DriverPayGoWeb, ACancellationWithoutItsFinalisationCodeSendsOnlyTheNetwork) {
    Cenario("[transaction]\nstep = 0\n");
    auto api = Criar();
    api->Inicializar();
    EXPECT_TRUE(api->CancelarTransacao("123", "AUT9", *platform::EncodeDateTime(2025, 5, 4, 13, 14, 15),
                                       12.34, "", "REDE"));
    std::vector<std::string> parametros;
    for (const auto& l : TranscricaoDesde("PW_iNewTransac(34)"))
        if (l.rfind("PW_iAddParam(", 0) == 0)
            parametros.push_back(l);
    ASSERT_GE(parametros.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(parametros.end() - 7, parametros.end()),
              (std::vector<std::string>{"PW_iAddParam(88, 123) = 0", "PW_iAddParam(87, 040525) = 0",
                                        "PW_iAddParam(115, 131415) = 0", "PW_iAddParam(96, 1234) = 0",
                                        "PW_iAddParam(98, AUT9) = 0", "PW_iAddParam(254, AUT9) = 0",
                                        "PW_iAddParam(53, REDE) = 0"}));
}

TEST_F(DriverPayGoWeb, APendingTransactionIsPutToTheApplication) {
    Cenario(std::string("[transaction]\nstep = 0\n") + VendaAprovada + "[transaction]\nstep = 0\n");
    {
        auto api = Criar(tefopiNenhum, false);
        api->Inicializar();
        ASSERT_TRUE(api->EfetuarPagamento("42", platform::Currency::FromCents(1999)));
    }
    // The stored files are gone with the crash; the host still remembers.
    for (const auto& arquivo : ArquivosTEF())
        std::remove((pasta.file("tef") + "/" + arquivo).c_str());

    auto api = Criar(tefopiNenhum, true, tefpenPerguntar);
    std::vector<std::string> perguntas;
    api->QuandoDetectarTransacaoPendente = [&](TOvraTEFResp&, const std::string& mensagem) {
        perguntas.push_back(mensagem);
    };
    api->Inicializar();
    EXPECT_FALSE(api->EfetuarPagamento("43", platform::Currency::FromCents(500)));
    EXPECT_EQ(perguntas, (std::vector<std::string>{"Transação Pendente.\r\nRede: REDE\r\nNSU: 123456"}));
    EXPECT_TRUE(Transcricao("PW_iConfirmation(").empty());

    api->ResolverTransacaoPendente(tefstsSucessoManual);
    EXPECT_EQ(Transcricao("PW_iConfirmation("),
              (std::vector<std::string>{
                  "PW_iConfirmation(12833, 00042, LOC42, 123456, LOJA\\xC71, REDE) = 0 confirmed"}));
}

TEST_F(DriverPayGoWeb, OperationsRefusedWithTheirMessages) {
    Cenario("userdata = 0|987654321\n");
    auto api = Criar();
    auto& driver = dynamic_cast<TOvraTEFAPIClassPayGoWeb&>(api->TEF());
    driver.SetDiretorioTrabalho(pasta.file("outra"));
    driver.SetDiretorioTrabalho("");
    api->Inicializar();
    auto erro = [](auto&& f) -> std::string {
        try {
            f();
        } catch (const EOvraTEFErro& e) {
            return e.what();
        }
        return "(no exception)";
    };
    EXPECT_EQ(erro([&] { driver.SetDiretorioTrabalho(pasta.file("outra")); }),
              "TOvraTEFAPIClassPayGoWeb.DiretorioTrabalho não pode ser modificado após TEF Inicializado");
    EXPECT_EQ(erro([&] { api->FinalizarTransacao("REDE", "1", "X", tefstsSucessoAutomatico); }),
              "Transação não encontrada [REDE 1 X]");
    EXPECT_EQ(erro([&] { api->ResolverTransacaoPendente(tefstsSucessoManual); }),
              "Não há transação Pendente");
    EXPECT_EQ(erro([&] { api->EfetuarPagamento("", platform::Currency::FromCents(100)); }),
              "IdentificadorVenda não pode ser vazio");
    EXPECT_FALSE(finalizacoes.back().sucesso);
    EXPECT_EQ(finalizacoes.back().texto, "IdentificadorVenda não pode ser vazio");

    EXPECT_EQ(api->ObterDadoPinPad(dpFone, 30000), "987654321");
    EXPECT_EQ(Transcricao("PW_iPPGetUserData(").back(), "PW_iPPGetUserData(3, 8, 9, 30) = 0");
}

TEST_F(DriverPayGoWeb, AQRCodeWithoutItsEventFailsThePayment) {
    Cenario("[transaction]\nduring.8055 = QR\nstep = capture\nrecord = 0 20\n");
    auto api = Criar();
    api->QuandoExibirQRCode = nullptr;
    api->Inicializar();
    EXPECT_FALSE(api->EfetuarPagamento("42", platform::Currency::FromCents(1999), tefmpCarteiraVirtual));
    EXPECT_NE(std::find(eventos.begin(), eventos.end(),
                        "mensagem 1 Evento QuandoExibirQRCode não foi implementado na sua aplicação"),
              eventos.end());
    // Told the library that QR codes go to the PIN-pad.
    EXPECT_FALSE(Transcricao("PW_iAddParam(32592, 1) = 0").empty());
}

TEST_F(DriverPayGoWeb, AFailedConfirmationBeforeAnOperationIsItsResult) {
    Cenario(std::string("[transaction]\nstep = 0\n") + VendaAprovada);
    auto api = Criar(tefopiProcessarPendentes, false);
    api->Inicializar();
    ASSERT_TRUE(api->EfetuarPagamento("42", platform::Currency::FromCents(1999)));
    // The host forgot the transaction: confirming it before the next operation fails.
    Cenario("[transaction]\nstep = 0\n");
    EXPECT_THROW(api->EfetuarPagamento("42", platform::Currency::FromCents(100)), EOvraTEFPayGoWeb);
    ASSERT_EQ(finalizacoes.size(), 2u);
    EXPECT_FALSE(finalizacoes[1].sucesso);
    EXPECT_EQ(finalizacoes[1].texto,
              "A transação informada para confirmação não existe ou já foi confirmada anteriormente");
    EXPECT_TRUE(Transcricao("PW_iNewTransac(").empty());
}

TEST(OvraTEFAPIPayGoWebFabricaTest, TheComponentCreatesThisDriverForItsModel) {
    TOvraTEFAPI api;
    api.SetModelo(tefApiPayGoWeb);
    auto* driver = dynamic_cast<TOvraTEFAPIClassPayGoWeb*>(&api.TEF());
    ASSERT_NE(driver, nullptr);
    EXPECT_NE(dynamic_cast<TOvraTEFRespPayGoWeb*>(&api.UltimaRespostaTEF()), nullptr);
    EXPECT_EQ(driver->OperacaoVenda, PWOPER_SALE);
    EXPECT_EQ(driver->OperacaoAdministrativa, PWOPER_ADMIN);
    EXPECT_EQ(driver->OperacaoCancelamento, PWOPER_SALEVOID);
    try {
        api.SetModelo(tefApiCliSiTEF);
        ADD_FAILURE() << "no exception";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_NE(std::string(e.what()).find("não disponível nesta versão"), std::string::npos) << e.what();
    }
    EXPECT_EQ(api.Modelo(), tefApiPayGoWeb);
}

} // namespace
