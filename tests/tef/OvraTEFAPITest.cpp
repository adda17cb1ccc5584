#include "tef/OvraTEFAPI.h"

#include "TEFRoteirizado.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class TEFAPI : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::FixedClock relogio{*platform::EncodeDateTime(2026, 12, 10, 18, 4, 15, 7)};
    TOvraTEFAPITeste api;
    std::vector<std::string> eventos;
    std::vector<std::string> logs;
    std::string pastaTEF = dir.file("tef") + "/";

    void SetUp() override {
        api.SetDiretorioTrabalho(dir.file("tef"));
        api.QuandoGravarLog = [this](const std::string& linha, bool&) { logs.push_back(linha); };
        api.QuandoFinalizarOperacao = [this](TOvraTEFResp& r) {
            eventos.push_back("FinalizarOperacao " + r.Header() + (r.Sucesso ? " ok" : " falha"));
        };
        api.QuandoFinalizarTransacao = [this](TOvraTEFResp& r, TOvraTEFStatusTransacao s) {
            eventos.push_back("FinalizarTransacao " + r.NSU + " " + OvraNome(s));
        };
        api.QuandoExibirMensagem = [this](const std::string& m, TOvraTEFAPITela, std::int32_t) {
            eventos.push_back("Mensagem " + m);
        };
        api.QuandoPerguntarMenu = [](const std::string&, const std::vector<std::string>&, std::int32_t&) {};
        api.QuandoPerguntarCampo = [](const TOvraTEFAPIDefinicaoCampo&, std::string&, bool&, bool&) {};
        api.SetModelo(tefApiPayGoWeb);
    }

    TEFRoteirizado& tef() { return *api.roteirizado; }
    std::string Arquivo(const std::string& nome) { return platform::ReadFile(pastaTEF + nome); }
    bool Registrado(const std::string& linha) const {
        return std::find(logs.begin(), logs.end(), linha) != logs.end();
    }
    bool Pagar(const std::string& id = "VENDA1") {
        return api.EfetuarPagamento(id, platform::Currency::FromCents(1999), tefmpCartao, {teftcCredito});
    }
};

} // namespace

TEST_F(TEFAPI, ApprovedPaymentIsStoredConfirmedOnceAndReported) {
    api.Inicializar();
    tef().roteiro.push_back({});
    EXPECT_TRUE(Pagar());
    EXPECT_TRUE(tef().emTransacaoDuranteOperacao);
    EXPECT_FALSE(api.EmTransacao());
    EXPECT_EQ(tef().chamadas, (std::vector<std::string>{"Finalizar REDE 000123 F1 tefstsSucessoAutomatico"}));
    EXPECT_EQ(eventos, (std::vector<std::string>{"FinalizarTransacao 000123 tefstsSucessoAutomatico",
                                                 "FinalizarOperacao CRT ok"}));
    ASSERT_EQ(api.RespostasTEF().Count(), 1);
    const std::string arquivo = Arquivo("Ovra_000.tef");
    EXPECT_NE(arquivo.find("899-001 = S\r\n"), std::string::npos) << arquivo;
    EXPECT_NE(arquivo.find("899-100 = CRT\r\n"), std::string::npos) << arquivo;

    // The same transaction answered again is neither stored twice nor confirmed again, and an
    // application that confirms after the automatic confirmation sends nothing either.
    tef().roteiro.push_back({});
    EXPECT_TRUE(Pagar());
    api.FinalizarTransacao(tefstsSucessoAutomatico);
    EXPECT_EQ(tef().chamadas.size(), 1u);
    EXPECT_EQ(api.RespostasTEF().Count(), 1);
    EXPECT_TRUE(Registrado("    Transação já finalizada: Rede REDE, NSU 000123"));
}

TEST_F(TEFAPI, WithoutAutomaticConfirmationThePaymentWaitsForTheApplication) {
    api.ConfirmarTransacaoAutomaticamente = false;
    api.Inicializar();
    tef().roteiro.push_back({});
    EXPECT_TRUE(Pagar());
    EXPECT_TRUE(tef().chamadas.empty());
    const TOvraTEFResp& guardada = api.RespostasTEF().Items(0);
    EXPECT_TRUE(guardada.Confirmar);
    EXPECT_FALSE(guardada.CNFEnviado());
    EXPECT_EQ(Arquivo("Ovra_000.tef").find("899-001"), std::string::npos);

    api.FinalizarTransacao(tefstsSucessoManual);
    api.FinalizarTransacao(tefstsSucessoManual);
    EXPECT_EQ(tef().chamadas, (std::vector<std::string>{"Finalizar REDE 000123 F1 tefstsSucessoManual"}));
    EXPECT_NE(Arquivo("Ovra_000.tef").find("899-001 = S\r\n"), std::string::npos);
}

TEST_F(TEFAPI, AnUndoIsRecordedAsAnUndo) {
    api.ConfirmarTransacaoAutomaticamente = false;
    api.Inicializar();
    tef().roteiro.push_back({});
    Pagar();
    api.FinalizarTransacao(tefstsErroImpressao);
    const std::string arquivo = Arquivo("Ovra_000.tef");
    EXPECT_NE(arquivo.find("899-001 = S\r\n"), std::string::npos);
    EXPECT_NE(arquivo.find("899-002 = S\r\n"), std::string::npos);
    EXPECT_TRUE(api.RespostasTEF().Items(0).Estornada());
}

TEST_F(TEFAPI, AFailingDriverStillEndsTheOperation) {
    struct Caso {
        const char* nome;
        bool falharAoIniciar;
        bool lancar;
    } casos[] = {{"in the operation", false, true}, {"in its own start", true, false}};
    api.Inicializar();
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        eventos.clear();
        tef().falharAoIniciarOperacao = c.falharAoIniciar;
        RespostaRoteirizada r;
        r.lancar = c.lancar;
        tef().roteiro = {r};
        try {
            Pagar();
            FAIL() << "no error";
        } catch (const EOvraTEFAPIErro& e) {
            EXPECT_STREQ(e.what(), c.lancar ? "falha roteirizada" : "falha ao iniciar");
        }
        EXPECT_FALSE(api.EmTransacao());
        EXPECT_EQ(api.UltimaRespostaTEF().Header(), "CRT");
        EXPECT_EQ(api.UltimaRespostaTEF().LeInformacao(899, 100).AsString(), "CRT");
        // the scripted answer was played before the error, so it is still approved and confirmed
        const std::vector<std::string> esperado =
            c.lancar ? std::vector<std::string>{"FinalizarTransacao 000123 tefstsSucessoAutomatico",
                                                "FinalizarOperacao CRT ok"}
                     : std::vector<std::string>{"FinalizarOperacao CRT falha"};
        EXPECT_EQ(eventos, esperado);
    }
}

TEST_F(TEFAPI, HeadersFollowTheKindOfOperation) {
    api.Inicializar();
    tef().roteiro = {RespostaRoteirizada{}, RespostaRoteirizada{}};
    tef().roteiro[0].nsu = "1";
    tef().roteiro[1].nsu = "2";
    api.EfetuarAdministrativa(tefopAdministrativo, "ADM1");
    EXPECT_EQ(api.UltimaRespostaTEF().Header(), "ADM");
    api.CancelarTransacao("000123", "A1", {}, 19.99, "F1", "REDE");
    EXPECT_EQ(api.UltimaRespostaTEF().Header(), "CNC");
}

TEST(TEFAPISemModelo, TheBareDriverAnswersNoAndHasNothingElse) {
    testsupport::TempDir dir;
    TOvraTEFAPITeste api;
    api.SetDiretorioTrabalho(dir.path());
    int finalizadas = 0;
    std::string texto, header;
    bool sucesso = true;
    api.QuandoFinalizarOperacao = [&](TOvraTEFResp& r) {
        ++finalizadas;
        texto = r.TextoEspecialOperador;
        header = r.Header();
        sucesso = r.Sucesso;
    };
    EXPECT_FALSE(api.EfetuarPagamento("V", platform::Currency::FromCents(100)));
    EXPECT_EQ(finalizadas, 0);
    try {
        api.ExibirMensagemPinPad("oi");
        FAIL() << "no error";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_STREQ(e.what(),
                     "Método: ExibirMensagemPinPad \r\nnão implementado para o TEF: TOvraTEFAPIComumClass");
    }

    api.SetModelo(tefApiPayGoWeb);
    api.SetModelo(tefApiNenhum);
    EXPECT_FALSE(api.EfetuarPagamento("V", platform::Currency::FromCents(100)));
    EXPECT_EQ(finalizadas, 1);
    EXPECT_FALSE(sucesso);
    EXPECT_EQ(header, "CRT");
    EXPECT_EQ(texto, "TOvraTEFAPIClass.InterpretarDadosDaTransacao não implementado.");
    EXPECT_THROW(api.ExibirMensagemPinPad("oi"), EOvraTEFAPIErro);
    EXPECT_THROW(api.FinalizarTransacao(tefstsSucessoAutomatico), EOvraTEFAPIErro);
}

TEST_F(TEFAPI, MandatoryEventsAreCheckedAroundTheDriverStart) {
    api.QuandoFinalizarOperacao = nullptr;
    try {
        api.Inicializar();
        FAIL() << "no error";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_STREQ(e.what(), "Evento QuandoFinalizarOperacao não foi implementado na sua aplicação");
    }
    EXPECT_FALSE(tef().Inicializado);

    api.QuandoFinalizarOperacao = [](TOvraTEFResp&) {};
    api.SetTratamentoTransacaoPendente(tefpenPerguntar);
    EXPECT_THROW(api.Inicializar(), EOvraTEFAPIErro);
    EXPECT_FALSE(tef().Inicializado);
    api.SetTratamentoTransacaoPendente(tefpenConfirmar);

    api.QuandoPerguntarCampo = nullptr;
    EXPECT_THROW(api.Inicializar(), EOvraTEFAPIErro);
    EXPECT_TRUE(tef().Inicializado);
    EXPECT_TRUE(
        Registrado("EOvraTEFAPIErro: Evento QuandoPerguntarCampo não foi implementado na sua aplicação"));
    EXPECT_TRUE(Registrado("CarregarRespostasDoDiretorioTrabalho"));
}

TEST_F(TEFAPI, AnUnassignedEventIsAClearErrorNeverACall) {
    api.QuandoExibirMensagem = nullptr;
    tef().mensagemAoIniciar = true;
    try {
        api.Inicializar();
        FAIL() << "no error";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_STREQ(e.what(), "Evento QuandoExibirMensagem não foi implementado na sua aplicação");
    }
    EXPECT_FALSE(api.Inicializando());
    bool cancelar = false;
    api.EsperarOperacao(opapiPinPad, cancelar);
    EXPECT_FALSE(cancelar);
    EXPECT_THROW(api.ExibirQRCode("x"), EOvraTEFAPIErro);
}

TEST_F(TEFAPI, QrCodesGoToThePinPadWhenTheApplicationShowsNoneAndTheDriverKnowsAtStart) {
    api.ExibicaoQRCode = qrapiExibirAplicacao;
    api.Inicializar();
    EXPECT_EQ(tef().qrVistoAoIniciar, qrapiExibirPinPad);
    EXPECT_EQ(api.ExibicaoQRCode, qrapiExibirPinPad);
}

TEST_F(TEFAPI, FrozenPropertiesAfterStart) {
    api.Inicializar();
    struct Caso {
        const char* nome;
        std::function<void()> mesmo;
        std::function<void()> outro;
    } casos[] = {
        {"Modelo", [&] { api.SetModelo(tefApiPayGoWeb); }, [&] { api.SetModelo(tefApiNenhum); }},
        {"DiretorioTrabalho", [&] { api.SetDiretorioTrabalho(pastaTEF); },
         [&] { api.SetDiretorioTrabalho(dir.file("outra")); }},
        {"GravarRespostas", [&] { api.SetGravarRespostas(true); }, [&] { api.SetGravarRespostas(false); }},
        {"LimparRespostasQuandoNovoIdentificador",
         [&] { api.SetLimparRespostasQuandoNovoIdentificador(true); },
         [&] { api.SetLimparRespostasQuandoNovoIdentificador(false); }},
        {"TratamentoTransacaoPendente", [&] { api.SetTratamentoTransacaoPendente(tefpenConfirmar); },
         [&] { api.SetTratamentoTransacaoPendente(tefpenEstornar); }},
        {"TratamentoTransacaoInicalizacao",
         [&] { api.SetTratamentoTransacaoInicializacao(tefopiProcessarPendentes); },
         [&] { api.SetTratamentoTransacaoInicializacao(tefopiNenhum); }},
    };
    for (const auto& c : casos) {
        EXPECT_NO_THROW(c.mesmo()) << c.nome;
        try {
            c.outro();
            ADD_FAILURE() << c.nome << ": no error";
        } catch (const EOvraTEFAPIErro& e) {
            EXPECT_EQ(e.what(), std::string(c.nome) + " não pode ser modificado após TEF Inicializado");
        }
    }
    EXPECT_EQ(api.Modelo(), tefApiPayGoWeb);
    EXPECT_EQ(api.TEF().ClassName(), "TEFRoteirizado");
    api.DesInicializar();
    EXPECT_NO_THROW(api.SetTratamentoTransacaoPendente(tefpenEstornar));
}

TEST_F(TEFAPI, DoExceptionIgnoresBlankTexts) {
    const auto antes = logs.size();
    EXPECT_NO_THROW(api.DoException(""));
    EXPECT_NO_THROW(api.DoException("  \r\n"));
    EXPECT_EQ(logs.size(), antes);
    EXPECT_THROW(api.DoException("x"), EOvraTEFAPIErro);
    EXPECT_EQ(logs.back(), "EOvraTEFAPIErro: x");
}

TEST_F(TEFAPI, LogFileLinesByteForByte) {
    api.SetArqLOG(dir.file("tef.log"));
    api.QuandoGravarLog = [](const std::string& linha, bool& tratado) { tratado = linha == "escondida"; };
    api.GravarLog("escondida");
    api.Inicializar();
    tef().roteiro = {RespostaRoteirizada{}, RespostaRoteirizada{}, RespostaRoteirizada{}};
    tef().roteiro[0].resultado = tef().roteiro[0].sucesso = false;
    tef().roteiro[1].resultado = tef().roteiro[1].sucesso = false;
    tef().roteiro[2].resultado = tef().roteiro[2].sucesso = false;
    api.EfetuarPagamento("V1", platform::Currency::FromDouble(1234.56), tefmpCartao,
                         {teftcDebito, teftcCredito}, tefmfParceladoEmissor, 3,
                         *platform::EncodeDate(2027, 1, 15));
    api.EfetuarPagamento("V1", platform::Currency::FromCents(5), tefmpDinheiro, {}, tefmfAVista);
    api.CancelarTransacao("000123", "A1", *platform::EncodeDateTime(2026, 12, 9, 8, 7, 6), 1234567.891, "F1",
                          "REDE");
    api.EfetuarAdministrativa(tefopVersao, "V2");
    api.EfetuarAdministrativa("999", "V2");
    api.ObterDadoPinPad(dpCPF, 3000);
    api.VerificarPresencaPinPad();
    api.ExibirMensagemPinPad("OLA");

    const std::string t = "10/12/26 18:04:15:007 - ";
    const std::string esperado =
        t + "Inicializar\r\n" + t + "CarregarRespostasDoDiretorioTrabalho\r\n" + t +
        "VerificarTransacoesPendentes\r\n" + t +
        "EfetuarPagamento( V1, 1.234,56, tefmpCartao, tefmfParceladoEmissor, [ teftcCredito, teftcDebito ], "
        "3, 15/01/2027 )\r\n" +
        t + "  QuandoFinalizarOperacao\r\n" + t +
        "EfetuarPagamento( V1, 0,05, tefmpDinheiro, tefmfAVista, [] )\r\n" + t +
        "  QuandoFinalizarOperacao\r\n" + t +
        "CancelarTransacao( 000123, A1, 09/12/2026 08:07:06, 1.234.567,89, F1, REDE )\r\n" + t +
        "  QuandoFinalizarOperacao\r\n" + t + "EfetuarAdministrativa( tefopVersao, V2 )\r\n" + t +
        "  QuandoFinalizarOperacao\r\n" + t + "EfetuarAdministrativa( 999, V2 )\r\n" + t +
        "  QuandoFinalizarOperacao\r\n" + t + "ObterDadoPinPad( dpCPF, 3000 )\r\n" + t +
        "   12345678909\r\n" + t + "VerificarPresencaPinPad\r\n" + t + "   1\r\n" + t +
        "ExibirMensagemPinPad( OLA )\r\n";
    EXPECT_EQ(platform::ReadFile(dir.file("tef.log")), esperado);
}

TEST_F(TEFAPI, ABareLogFileNameLandsInTheApplicationFolder) {
    api.SetArqLOG("quendo-teste-tef.log");
    api.QuandoGravarLog = [](const std::string&, bool& tratado) { tratado = true; };
    api.Inicializar();
    EXPECT_EQ(api.ArqLOG(), platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) +
                                "quendo-teste-tef.log");
}

TEST_F(TEFAPI, DefaultWorkingFolderIsBesideTheExecutable) {
    TOvraTEFAPI outra;
    EXPECT_EQ(outra.DiretorioTrabalho(),
              platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) + "tef/");
    EXPECT_EQ(api.DiretorioTrabalho(), pastaTEF);
}

TEST_F(TEFAPI, PaymentWithoutIdentifierIsRefusedByTheDriver) {
    api.Inicializar();
    tef().roteiro.push_back({});
    try {
        Pagar("  ");
        FAIL() << "no error";
    } catch (const EOvraTEFAPIErro& e) {
        EXPECT_STREQ(e.what(), "IdentificadorVenda não pode ser vazio");
    }
    EXPECT_EQ(eventos, (std::vector<std::string>{"FinalizarOperacao CRT falha"}));
}

TEST_F(TEFAPI, AbortReachesTheDriverFromAHandler) {
    api.Inicializar();
    api.QuandoFinalizarOperacao = [this](TOvraTEFResp&) { api.AbortarTransacaoEmAndamento(); };
    tef().roteiro.push_back({});
    Pagar();
    EXPECT_EQ(tef().chamadas.back(), "Abortar");
}
