// First, alone: the header must compile by itself.
#include "tef/paygoweb/OvraTEFPayGoWebComum.h"

#include "PGWebSimulada.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::TDateTime;

// Stands still and writes down every sleep instead of sleeping.
class RelogioGravador : public platform::Clock {
public:
    TDateTime Agora() override { return agora; }
    std::uint64_t Ticks() override { return ticks; }
    void Dormir(std::uint32_t ms) override {
        esperas.push_back(ms);
        ticks += ms;
    }
    TDateTime agora = *platform::EncodeDateTime(2025, 6, 1, 12, 0, 0);
    std::uint64_t ticks = 0;
    std::vector<std::uint32_t> esperas;
};

// The main thread's queue, as the application's event loop would keep it.
class FilaPrincipal : public TOvraTEFPGWebAPIDespacho {
public:
    void Despachar(std::function<void()> tarefa) override {
        std::lock_guard trava(fpMutex);
        fpTarefas.push_back(std::move(tarefa));
        fpSinal.notify_all();
    }
    // Waits for a task to be queued (no time involved: the timer's thread queues it) and runs it.
    void ExecutarUma() {
        std::function<void()> tarefa;
        {
            std::unique_lock trava(fpMutex);
            fpSinal.wait(trava, [&] { return !fpTarefas.empty(); });
            tarefa = std::move(fpTarefas.front());
            fpTarefas.pop_front();
        }
        tarefa();
    }
    std::size_t Pendentes() {
        std::lock_guard trava(fpMutex);
        return fpTarefas.size();
    }

private:
    std::mutex fpMutex;
    std::condition_variable fpSinal;
    std::deque<std::function<void()>> fpTarefas;
};

struct Mensagem {
    std::string texto;
    TOvraTEFPGWebAPITerminalMensagem terminal;
    int ms;
    bool operator==(const Mensagem&) const = default;
};

class Motor : public ::testing::Test {
protected:
    Motor() { Cenario(""); }

    void Cenario(const std::string& texto) { simulada.Cenario(texto); }

    std::vector<std::string> Transcricao() const { return simulada.Transcricao(); }
    bool Transcreveu(const std::string& linha) const {
        const auto t = Transcricao();
        return std::find(t.begin(), t.end(), linha) != t.end();
    }
    bool Logou(const std::string& linha) const {
        return std::find(log.begin(), log.end(), linha) != log.end();
    }
    std::size_t PosicaoNaTranscricao(const std::string& inicio) const {
        const auto t = Transcricao();
        for (std::size_t i = 0; i < t.size(); ++i)
            if (t[i].rfind(inicio, 0) == 0)
                return i;
        return std::string::npos;
    }

    void Preparar(TOvraTEFPGWebAPI& motor, const std::string& variante = "completa") {
        motor.OnGravarLog = [this](const std::string& linha, bool& tratado) {
            log.push_back(linha);
            tratado = true;
        };
        motor.OnExibeMenu = [](const std::string&, const std::vector<std::string>&, int&, bool& cancelado) {
            cancelado = true;
        };
        motor.OnObtemCampo = [](const TOvraTEFPGWebAPIDefinicaoCampo&, std::string&, bool&, bool& cancelado) {
            cancelado = true;
        };
        motor.OnExibeMensagem = [this](const std::string& texto, TOvraTEFPGWebAPITerminalMensagem terminal,
                                       int ms) {
            mensagens.push_back({texto, terminal, ms});
        };
        motor.OnAguardaPinPad = [](TOvraTEFPGWebAPIOperacaoPinPad, bool&) {};
        motor.SetPathLib(PastaBiblioteca(variante));
        motor.SetDiretorioTrabalho(pasta.file("PGWeb"));
        motor.SetRelogio(&relogio);
    }

    void Iniciar() {
        Preparar(api);
        api.Inicializar();
    }

    testsupport::TempDir pasta;
    PGWebSimulada simulada{pasta.path()};
    RelogioGravador relogio;
    std::vector<std::string> log;
    std::vector<Mensagem> mensagens;
    TOvraTEFPGWebAPI api;
};

template <typename F> std::string Erro(F&& f) {
    try {
        f();
    } catch (const EOvraTEFPayGoWeb& e) {
        return e.what();
    }
    return "(no exception)";
}

// ---------------------------------------------------------------------------------------------
// Start

TEST_F(Motor, StartingInitialisesTheLibraryAndReadsItsVersion) {
    Iniciar();
    EXPECT_TRUE(api.Carregada());
    EXPECT_TRUE(api.Inicializada());
    EXPECT_FALSE(api.EmTransacao());
    EXPECT_TRUE(platform::DirectoryExists(pasta.file("PGWeb")));
    EXPECT_EQ(platform::GetEnv("PGWebLibPermiteAtualiza"), "False");
    const auto t = Transcricao();
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0], "PW_iInit(" + pasta.file("PGWeb") + ") = 0");
    EXPECT_EQ(t[1], "PW_iNewTransac(252) = 0");
    EXPECT_TRUE(
        Logou("TOvraTEFPGWebAPI.LoadDLLFunctions - " + PastaBiblioteca("completa") + COvraPGWebLibNome));
    EXPECT_TRUE(Logou("   PW_iTransactionInquiry"));
    EXPECT_EQ(api.VersaoLib(), "0004.0000.0082.0003");

    api.AtualizaPGWebLibAutomaticamente = true;
    api.DesInicializar();
    EXPECT_FALSE(api.Carregada());
    EXPECT_FALSE(api.Inicializada());
    EXPECT_EQ(platform::GetEnv("PGWebLibPermiteAtualiza"), "True");
    EXPECT_TRUE(Transcreveu("PW_End() = 0"));
}

TEST_F(Motor, TheMandatoryDataCarryTheCapabilities) {
    struct Caso {
        TOvraTEFPGWebAPIExibicaoQRCode qr;
        bool saque;
        std::string mascara;
        std::string preferencia; // empty: not sent
    };
    const Caso casos[] = {
        {qreAuto, false, "396", ""},
        {qreNaoSuportado, false, "140", ""},
        {qreExibirNoPinPad, true, "397", "1"},
        {qreExibirNoCheckOut, false, "396", "2"},
    };
    Iniciar();
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.mascara);
        Cenario("");
        api.ExibicaoQRCode = caso.qr;
        api.SuportaSaque = caso.saque;
        api.SetNomeAplicacao("  Quendo  ");
        api.OnExibeQRCode = [](const std::string&) {};
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_TRUE(Transcreveu("PW_iAddParam(21, Quendo) = 0"));
        EXPECT_TRUE(Transcreveu("PW_iAddParam(36, " + caso.mascara + ") = 0"));
        EXPECT_TRUE(Transcreveu("PW_iAddParam(243, OvraTEFPGWebAPI 1.0.1) = 0"));
        EXPECT_EQ(PosicaoNaTranscricao("PW_iAddParam(32592, ") != std::string::npos,
                  !caso.preferencia.empty());
        if (!caso.preferencia.empty())
            EXPECT_TRUE(Transcreveu("PW_iAddParam(32592, " + caso.preferencia + ") = 0"));
        api.ExecutarTransacao();
    }
}

TEST_F(Motor, AMissingCallbackIsNamedBeforeAnythingIsLoaded) {
    struct Caso {
        std::string nome;
        std::function<void(TOvraTEFPGWebAPI&)> retirar;
    };
    const Caso casos[] = {
        {"OnObtemCampo", [](TOvraTEFPGWebAPI& m) { m.OnObtemCampo = nullptr; }},
        {"OnExibeMenu", [](TOvraTEFPGWebAPI& m) { m.OnExibeMenu = nullptr; }},
        {"OnExibeMensagem", [](TOvraTEFPGWebAPI& m) { m.OnExibeMensagem = nullptr; }},
        {"OnAguardaPinPad", [](TOvraTEFPGWebAPI& m) { m.OnAguardaPinPad = nullptr; }},
    };
    for (const auto& caso : casos) {
        TOvraTEFPGWebAPI motor;
        Preparar(motor);
        caso.retirar(motor);
        EXPECT_EQ(Erro([&] { motor.Inicializar(); }), "Evento " + caso.nome + " não atribuido");
        EXPECT_FALSE(motor.Carregada());
    }
    EXPECT_TRUE(Transcricao().empty());
    EXPECT_TRUE(Logou("EOvraTEFPayGoWeb: Evento OnAguardaPinPad não atribuido"));
}

TEST_F(Motor, ALibraryTooOldIsRefusedAndLeftStopped) {
    Cenario("version = 0004.0000.0081.0009\n");
    Preparar(api);
    const std::string esperado = "Biblioteca " + PastaBiblioteca("completa") + COvraPGWebLibNome +
                                 " tem versão 0004.0000.0081.0009, inferior a 0004.0000.0082.0003";
    EXPECT_EQ(Erro([&] { api.Inicializar(); }), esperado);
    EXPECT_FALSE(api.Inicializada());
    EXPECT_FALSE(api.Carregada());
    // A second attempt checks again instead of finding the library "already started".
    EXPECT_EQ(Erro([&] { api.Inicializar(); }), esperado);
    EXPECT_FALSE(api.Inicializada());
}

TEST(OvraTEFPGWebAPIVersaoTest, VersionsCompareFieldByField) {
    struct Caso {
        const char* a;
        const char* b;
        int esperado;
    };
    const Caso casos[] = {
        {"0004.0000.0082.0003", "0004.0000.0082.0003", 0},
        {"0004.0000.0081.0009", "0004.0000.0082.0003", -1},
        {"4.0.82.10", "0004.0000.0082.0003", 1},
        {"0004.0000.0082", "0004.0000.0082.0003", -1},
        {"0004.0000.0082.0003.", "0004.0000.0082.0003", 0},
        {"0004.0000.0082.b", "0004.0000.0082.a", 1},
        {"", "0004", -1},
    };
    for (const auto& caso : casos)
        EXPECT_EQ(OvraCompararVersoes(caso.a, caso.b), caso.esperado) << caso.a << " x " << caso.b;
}

TEST_F(Motor, LoadingFailuresNameTheEntryAndTheFile) {
    TOvraTEFPGWebAPI semObrigatoria;
    Preparar(semObrigatoria, "sem-obrigatoria");
    EXPECT_EQ(Erro([&] { semObrigatoria.Inicializar(); }),
              "Erro ao carregar a função: PW_iTransactionInquiry de: " + PastaBiblioteca("sem-obrigatoria") +
                  COvraPGWebLibNome);
    EXPECT_FALSE(semObrigatoria.Carregada());

    TOvraTEFPGWebAPI semOpcionais;
    Preparar(semOpcionais, "sem-opcionais");
    semOpcionais.Inicializar();
    EXPECT_TRUE(semOpcionais.Inicializada());
    EXPECT_TRUE(Logou("     Função não requerida: PW_End não encontrada em: " +
                      PastaBiblioteca("sem-opcionais") + COvraPGWebLibNome));
}

TEST_F(Motor, WithoutAFolderTheEnvironmentNamesTheLibrary) {
    const std::string arquivo = PastaBiblioteca("completa") + COvraPGWebLibNome;
    platform::SetEnv("PathPGWebLib", "  " + arquivo + "  ");
    TOvraTEFPGWebAPI motor;
    EXPECT_EQ(motor.GetPathPGWebLib(), arquivo);
    EXPECT_EQ(motor.NomeBiblioteca(), arquivo);
    platform::UnsetEnv("PathPGWebLib");
    // Nothing set: the program's folder, then the system's search.
    EXPECT_EQ(motor.NomeBiblioteca(), COvraPGWebLibNome);
}

TEST_F(Motor, InitFailuresCarryTheirMessages) {
    Cenario("init = -2485\n");
    Preparar(api);
    EXPECT_EQ(Erro([&] { api.Inicializar(); }), "Falha de gravação no diretório " + pasta.file("PGWeb"));
    EXPECT_FALSE(api.Inicializada());

    // A library that fails without a word still fails.
    Cenario("init = -2599\n");
    EXPECT_EQ(Erro([&] { api.Inicializar(); }), "PWRET_FROMHOSTPENDTRN");
    Cenario("init = -2599\ninfo.66 = SEM CONEXAO\n");
    EXPECT_EQ(Erro([&] { api.Inicializar(); }), "SEM CONEXAO");
    EXPECT_FALSE(api.Inicializada());
}

TEST_F(Motor, SettingsAreCheckedAndFrozenOnceStarted) {
    api.SetCNPJEstabelecimento("11.222.333/0001-81");
    EXPECT_EQ(api.CNPJEstabelecimento(), "11222333000181");
    EXPECT_EQ(Erro([&] { api.SetCNPJEstabelecimento("11.222.333/0001-82"); }),
              "SetCNPJEstabelecimento: CNPJ inválido");
    EXPECT_EQ(api.CNPJEstabelecimento(), "11222333000181");
    api.SetPontoCaptura("12-345-678-901-23");
    EXPECT_EQ(api.PontoCaptura(), "12345678901");
    api.SetSoftwareHouse(std::string(60, 'x'));
    EXPECT_EQ(api.SoftwareHouse().size(), 50u);
    api.SetPathLib("/opt/pgweb/PGWebLib.dll");
    EXPECT_EQ(api.PathLib(), "/opt/pgweb/");

    Iniciar();
    EXPECT_EQ(platform::GetEnv("CPFCNPJ"), "11222333000181");
    EXPECT_EQ(platform::GetEnv("PontoDeCaptura"), "12345678901");
    EXPECT_EQ(Erro([&] { api.SetPathLib("/outra/"); }), "Biblioteca PGWebLib já foi inicializada");
    EXPECT_EQ(Erro([&] { api.SetDiretorioTrabalho("/outra"); }), "Biblioteca PGWebLib já foi inicializada");
    EXPECT_TRUE(Logou("TOvraTEFPGWebAPI.SetPathLib( /outra/ )"));
}

// ---------------------------------------------------------------------------------------------
// Transactions

TEST_F(Motor, AnApprovedSaleCollectsItsResults) {
    Iniciar();
    Cenario("[transaction]\n"
            "expect.37 = 1999\n"
            "during.111 = AGUARDE\n"
            "step = 0\n"
            "result.66 = APROVADA\\x0D\\x0ACOM SUCESSO\n"
            "result.70 = 123456\n"
            "result.42 = CR\\xC9DITO\n");
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    api.AdicionarParametro(PWINFO_TOTAMNT, "1999");
    EXPECT_TRUE(api.EmTransacao());
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_FALSE(api.EmTransacao());

    auto& dados = api.DadosDaTransacao();
    EXPECT_EQ(dados.ValueInfo(PWINFO_RET), "0");
    EXPECT_EQ(dados.ValueInfo(PWINFO_RESULTMSG), "APROVADA\\x0D\\x0ACOM SUCESSO");
    EXPECT_EQ(dados.ValueInfo(PWINFO_AUTHCODE), "123456");
    EXPECT_EQ(dados.ValueInfo(PWINFO_PRODUCTNAME), "CR\\xC9DITO");
    EXPECT_EQ(mensagens.front(), (Mensagem{"AGUARDE", tmCliente, -1}));
    // Leaving the transaction clears both displays.
    EXPECT_EQ(mensagens.back(), (Mensagem{"", tmTodas, -1}));
    EXPECT_TRUE(Logou("  PWINFO_AUTHCODE=123456"));
}

TEST_F(Motor, ALibraryThatHasNothingYetIsPolledEvery300ms) {
    Iniciar();
    Cenario("[transaction]\nstep = nothing\nstep = nothing\nstep = nothing\nstep = 0\n");
    relogio.esperas.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_EQ(relogio.esperas, (std::vector<std::uint32_t>{300, 300, 300}));
}

// The capture step of these tests answers as told.
class MotorComCaptura : public TOvraTEFPGWebAPI {
public:
    std::function<std::int16_t(std::span<PW_GetData>)> captura;
    void MostrarQRCode(const std::string& dados) {
        fpUltimoQRCode = dados;
        ExibirQRCode(dados);
    }

protected:
    std::int16_t ObterDados(std::span<PW_GetData> registros) override { return captura(registros); }
};

class MotorCaptura : public Motor {
protected:
    void IniciarCaptura() {
        Preparar(motor);
        motor.Inicializar();
    }
    MotorComCaptura motor;
};

TEST_F(MotorCaptura, ARunCancelledInTheCaptureStepEndsCancelled) {
    IniciarCaptura();
    Cenario("[transaction]\n"
            "step = capture\n"
            "record = 42 1\n"
            "rec.szPrompt = ESCOLHA\n"
            "rec.bNumOpcoesMenu = 2\n"
            "rec.vszTextoMenu.1 = DEBITO\n"
            "rec.ulTipoEntradaCartao = 2\n"
            "during.116 = OPERACAO CANCELADA\n");
    std::vector<PW_GetData> vistos;
    motor.captura = [&](std::span<PW_GetData> registros) {
        vistos.assign(registros.begin(), registros.end());
        return PWRET_CANCEL;
    };
    mensagens.clear();
    motor.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(motor.ExecutarTransacao());

    ASSERT_EQ(vistos.size(), 1u);
    EXPECT_EQ(vistos[0].wIdentificador, 42);
    EXPECT_EQ(vistos[0].bTipoDeDado, PWDAT_MENU);
    EXPECT_STREQ(vistos[0].szPrompt, "ESCOLHA");
    EXPECT_EQ(vistos[0].bNumOpcoesMenu, 2);
    EXPECT_STREQ(vistos[0].vszTextoMenu[1], "DEBITO");
    EXPECT_EQ(vistos[0].ulTipoEntradaCartao, 2u);
    EXPECT_EQ(motor.DadosDaTransacao().ValueInfo(PWINFO_RET), "-2491");
    EXPECT_NE(std::find(mensagens.begin(), mensagens.end(), Mensagem{"OPERACAO CANCELADA", tmOperador, 5000}),
              mensagens.end());
}

TEST_F(MotorCaptura, RecordsReachTheCaptureStepWithinTheirBounds) {
    IniciarCaptura();
    Cenario("[transaction]\n"
            "step = capture\n"
            "record = 42 1\n"
            "rec.bNumOpcoesMenu = 60\n"
            "rec.szPrompt = " +
            std::string(84, 'P') + "\nrecord = 37 2\nrec.szPrompt = VALOR\n");
    std::vector<std::string> prompts;
    std::vector<int> opcoes;
    motor.captura = [&](std::span<PW_GetData> registros) {
        for (const auto& r : registros) {
            prompts.push_back(OvraPWTexto(r.szPrompt));
            opcoes.push_back(r.bNumOpcoesMenu);
        }
        return PWRET_CANCEL;
    };
    motor.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(motor.ExecutarTransacao());
    // A prompt that fills its field has no NUL; it ends where the field does.
    EXPECT_EQ(prompts, (std::vector<std::string>{std::string(84, 'P'), "VALOR"}));
    EXPECT_EQ(opcoes, (std::vector<int>{40, 0}));
}

TEST_F(Motor, ACaptureTypeWithoutMeaningEndsTheRunWithAMessage) {
    Iniciar();
    Cenario("[transaction]\nstep = capture\nrecord = 42 4\n");
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(api.ExecutarTransacao());
    EXPECT_NE(std::find(mensagens.begin(), mensagens.end(),
                        Mensagem{"Não sei tratar Tipo de Dado: 4", tmOperador, 5000}),
              mensagens.end());
    EXPECT_EQ(api.DadosDaTransacao().ValueInfo(PWINFO_RET), "-2497");
    EXPECT_FALSE(api.EmTransacao());
}

TEST_F(MotorCaptura, AFailureAfterApprovalIsNotAnApproval) {
    IniciarCaptura();
    Cenario("[transaction]\nstep = capture\nrecord = 8055 20\nstep = 0\nresult.66 = ERRO NO QR\n");
    motor.captura = [&](std::span<PW_GetData>) {
        motor.MostrarQRCode("QR1");
        return PWRET_OK;
    };
    motor.OnExibeQRCode = [](const std::string& dados) {
        if (dados.empty())
            throw std::runtime_error("display gone");
    };
    motor.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(motor.ExecutarTransacao());
    EXPECT_EQ(motor.DadosDaTransacao().ValueInfo(PWINFO_RET), std::to_string(PWRET_INVCALL));
}

TEST_F(MotorCaptura, TheQRCodeComesOffWhenTheRunFails) {
    IniciarCaptura();
    Cenario("[transaction]\nstep = capture\nrecord = 8055 20\n");
    std::vector<std::string> qrcodes;
    motor.OnExibeQRCode = [&](const std::string& dados) { qrcodes.push_back(dados); };
    motor.captura = [&](std::span<PW_GetData>) -> std::int16_t {
        motor.MostrarQRCode("QR1");
        throw EOvraTEFPayGoWeb("falha na captura");
    };
    motor.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(motor.ExecutarTransacao());
    EXPECT_EQ(qrcodes, (std::vector<std::string>{"QR1", ""}));
}

TEST_F(Motor, LinesWithoutAValidCodeAreSkipped) {
    Iniciar();
    Cenario("");
    api.IniciarTransacao(PWOPER_SALE);
    const auto antes = Transcricao().size();
    for (const char* linha : {"abc=1", "=1", "-5=1", "sem igual", "70000=1"})
        api.AdicionarParametro(std::string(linha));
    EXPECT_EQ(Transcricao().size(), antes);
    api.AdicionarParametro(std::string("37=100=2"));
    EXPECT_TRUE(Transcreveu("PW_iAddParam(37, 100=2) = 0"));
    api.ExecutarTransacao();
}

TEST_F(Motor, AFailedParameterAtTheStartLeavesTheTransaction) {
    Iniciar();
    Cenario("[transaction]\naddparam.36 = -2499\n[transaction]\nstep = 0\n");
    EXPECT_EQ(Erro([&] { api.IniciarTransacao(PWOPER_SALE); }),
              "Valor 396 Inválido para parâmetro PWINFO_AUTCAP");
    EXPECT_FALSE(api.EmTransacao());
    // The next one starts as if nothing had happened.
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
}

TEST_F(Motor, ExtraParametersAreSentOnceAndThenForgotten) {
    Iniciar();
    Cenario("");
    api.ParametrosAdicionais().SetValueInfo(PWINFO_AUTHSYST, "REDE");
    TOvraTEFParametros daTransacao;
    daTransacao.SetValueInfo(PWINFO_TOTAMNT, "500");
    api.IniciarTransacao(PWOPER_SALE, &daTransacao);
    EXPECT_TRUE(Transcreveu("PW_iAddParam(53, REDE) = 0"));
    EXPECT_TRUE(Transcreveu("PW_iAddParam(37, 500) = 0"));
    EXPECT_EQ(api.ParametrosAdicionais().Count(), 0);
    EXPECT_EQ(Erro([&] { api.IniciarTransacao(PWOPER_SALE); }), "Já foi iniciada uma Transação");
    api.ExecutarTransacao();
}

TEST_F(Motor, SecretsNeverReachTheLog) {
    Iniciar();
    Cenario("[transaction]\nstep = 0\nresult.193 = 5555666677778884\nresult.194 = 1230\n");
    api.IniciarTransacao(PWOPER_SALE);
    api.AdicionarParametro(PWINFO_CARDFULLPAN, "5555666677778884");
    api.AdicionarParametro(PWINFO_AUTHMNGTUSER, "1234");
    api.AdicionarParametro(PWINFO_PRODUCTNAME, "segredo", true);
    api.ExecutarTransacao();
    EXPECT_TRUE(Logou("PW_iAddParam( PWINFO_CARDFULLPAN, 555566******8884 )"));
    EXPECT_TRUE(Logou("PW_iAddParam( PWINFO_AUTHMNGTUSER, **** )"));
    EXPECT_TRUE(Logou("PW_iAddParam( PWINFO_PRODUCTNAME, ******* )"));
    EXPECT_TRUE(Logou("  PWINFO_CARDFULLPAN=555566******8884"));
    EXPECT_TRUE(Logou("  PWINFO_CARDEXPDATE=****"));
    for (const auto& linha : log) {
        EXPECT_EQ(linha.find("5555666677778884"), std::string::npos) << linha;
        EXPECT_EQ(linha.find("segredo"), std::string::npos) << linha;
    }
}

TEST_F(Motor, LibraryBuffersAreReadWithinTheirSizes) {
    Iniciar();
    const std::string cheio(10240, 'A');
    Cenario("userdata = 0|" + std::string(60, '9') + "\n" + "[transaction]\nstep = 0\nresult.66 = " + cheio +
            "\nresult.70 = " + cheio + "B\n");
    api.IniciarTransacao(PWOPER_SALE);
    api.ExecutarTransacao();
    // Filled to the brim without a NUL: taken whole and no further.
    EXPECT_EQ(api.DadosDaTransacao().ValueInfo(PWINFO_RESULTMSG), cheio);
    // Too long for the buffer: left out.
    EXPECT_EQ(api.DadosDaTransacao().IndexOfName("70"), -1);
    EXPECT_EQ(Erro([&] { api.ObterInfo(PWINFO_AUTHCODE); }),
              "O valor da informação solicitada não cabe no Buffer alocado");

    // The longest answer and its NUL both fit.
    EXPECT_EQ(api.ObterDadoPinPad(PWDPIN_DIGITE_O_CPF, 1, 60, 30), std::string(60, '9'));
    EXPECT_TRUE(Transcreveu("PW_iPPGetUserData(7, 1, 60, 30) = 0"));
}

TEST_F(Motor, PinPadOutsideATransaction) {
    Cenario("commtest = nothing:TESTANDO PINPAD;0:1\nuserdata = -2491|\n");
    Iniciar();
    mensagens.clear();
    EXPECT_EQ(api.VerificarPresencaPinPad(), 1);
    EXPECT_EQ(mensagens, (std::vector<Mensagem>{{"TESTANDO PINPAD", tmOperador, -1}}));

    api.ExibirMensagemPinPad("LINHA 1|LINHA 2");
    EXPECT_TRUE(Transcreveu("PW_iPPDisplay(LINHA 1\\x0DLINHA 2) = 0"));

    EXPECT_EQ(api.ObterDadoPinPad(PWDPIN_DIGITE_O_DDD, 2, 2, 30), "");
    EXPECT_EQ(api.AbortarTransacao(), PWRET_CANCEL);

    Cenario("userdata = -2494|\nppabort = -2484\n");
    EXPECT_EQ(Erro([&] { api.ObterDadoPinPad(PWDPIN_DIGITE_O_DDD, 2, 2, 30); }),
              "Não é possível capturar dados em um PIN-pad não ABECS");
    EXPECT_EQ(Erro([&] { api.AbortarTransacao(); }), "Falha na comunicação com o PIN-pad.");
}

// ---------------------------------------------------------------------------------------------
// Confirmation and pending transactions

const char* Aprovada = "[transaction]\n"
                       "step = 0\n"
                       "result.67 = 1\n"
                       "result.50 = 77\n"
                       "result.68 = LOC77\n"
                       "result.69 = EXT77\n"
                       "result.54 = LOJA1\n"
                       "result.53 = REDE\n";

TEST_F(Motor, ATransactionIsConfirmedOnce) {
    Iniciar();
    Cenario(Aprovada);
    api.IniciarTransacao(PWOPER_SALE);
    ASSERT_TRUE(api.ExecutarTransacao());
    api.FinalizarTransacao(PWCNF_CNF_AUTO, "77", "LOC77", "EXT77", "LOJA1", "REDE");
    EXPECT_TRUE(Logou("PW_iConfirmation( PWCNF_CNF_AUTO, 77, LOC77, EXT77, LOJA1, REDE ) "));
    EXPECT_EQ(Erro([&] { api.FinalizarTransacao(PWCNF_CNF_AUTO, "77", "LOC77", "EXT77", "LOJA1", "REDE"); }),
              "A transação informada para confirmação não existe ou já foi confirmada anteriormente");
}

TEST_F(Motor, APendingTransactionIsResolvedAsConfigured) {
    struct Caso {
        bool confirmar;
        std::optional<std::uint32_t> decisao; // what the callback decides, when there is one
        std::string esperado;                 // the confirmation sent, or empty
    };
    const Caso casos[] = {
        {true, std::nullopt, "PW_iConfirmation(12833, 77, LOC77, EXT77, LOJA1, REDE) = 0 confirmed"},
        {false, std::nullopt, "PW_iConfirmation(12849, 77, LOC77, EXT77, LOJA1, REDE) = 0 undone"},
        {false, PWCNF_CNF_MANU_AUT, "PW_iConfirmation(12833, 77, LOC77, EXT77, LOJA1, REDE) = 0 confirmed"},
        {true, 0u, ""},
    };
    Iniciar();
    for (const auto& caso : casos) {
        Cenario(std::string(Aprovada) + "[transaction]\nstep = 0\n");
        api.ConfirmarTransacoesPendentesNoHost = caso.confirmar;
        std::vector<std::string> avaliadas;
        api.OnAvaliarTransacaoPendente = nullptr;
        if (caso.decisao)
            api.OnAvaliarTransacaoPendente = [&](std::uint32_t& status, const std::string& reqNum,
                                                 const std::string& locRef, const std::string& extRef,
                                                 const std::string& virtMerch, const std::string& authSyst) {
                EXPECT_EQ(status, PWCNF_CNF_MANU_AUT);
                avaliadas.push_back(reqNum + " " + locRef + " " + extRef + " " + virtMerch + " " + authSyst);
                status = *caso.decisao;
            };
        api.IniciarTransacao(PWOPER_SALE);
        ASSERT_TRUE(api.ExecutarTransacao());
        // The point of sale died here: the next transaction finds the host waiting.
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_FALSE(api.ExecutarTransacao());
        EXPECT_EQ(api.DadosDaTransacao().ValueInfo(PWINFO_RET), "-2599");
        if (caso.decisao)
            EXPECT_EQ(avaliadas, std::vector<std::string>{"77 LOC77 EXT77 LOJA1 REDE"});
        if (caso.esperado.empty())
            EXPECT_EQ(PosicaoNaTranscricao("PW_iConfirmation("), std::string::npos);
        else
            EXPECT_TRUE(Transcreveu(caso.esperado));
    }
}

TEST_F(Motor, AnErrorUndoesTheTransactionInProgress) {
    Iniciar();
    Cenario("[transaction]\nstep = -2490\nduring.67 = 1\nduring.50 = 5\nduring.68 = L5\nduring.69 = E5\n"
            "during.66 = TEMPO ESGOTADO\nduring.117 = CANCELADO\n");
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(api.ExecutarTransacao());
    EXPECT_NE(std::find(mensagens.begin(), mensagens.end(), Mensagem{"TEMPO ESGOTADO", tmOperador, 5000}),
              mensagens.end());
    EXPECT_TRUE(Transcreveu("PW_iPPDisplay(CANCELADO) = 0"));
    EXPECT_TRUE(Transcreveu("PW_iConfirmation(274737, 5, L5, E5, , ) = 0 undone"));
}

// A point of sale approves and is killed before it confirms; the next one resolves it.
TEST_F(Motor, APendingTransactionSurvivesACrash) {
    const std::string ledger = pasta.file("ledger.txt");
    std::ofstream(pasta.file("filho.txt")) << "ledger = " << ledger << "\n" << Aprovada;

    int saida[2];
    ASSERT_EQ(::pipe(saida), 0);
    const pid_t filho = ::fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        ::dup2(saida[1], STDOUT_FILENO);
        ::close(saida[0]);
        const std::string cenario = pasta.file("filho.txt");
        const std::string trabalho = pasta.file("PGWebFilho");
        ::execl(QUENDO_PGWEB_CRASH_CHILD, QUENDO_PGWEB_CRASH_CHILD, cenario.c_str(), trabalho.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(saida[1]);
    std::string lido;
    char c;
    while (lido.find('\n') == std::string::npos && ::read(saida[0], &c, 1) == 1)
        lido += c;
    ::close(saida[0]);
    ::kill(filho, SIGKILL);
    int status = 0;
    ::waitpid(filho, &status, 0);
    ASSERT_EQ(lido, "APROVADA\n");
    ASSERT_TRUE(WIFSIGNALED(status));

    std::ifstream antes(ledger);
    std::string linha;
    std::getline(antes, linha);
    EXPECT_EQ(linha, "P|77|LOC77|EXT77|LOJA1|REDE");

    Cenario("ledger = " + ledger + "\n[transaction]\nstep = 0\n");
    Iniciar();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(api.ExecutarTransacao());
    EXPECT_EQ(api.DadosDaTransacao().ValueInfo(PWINFO_RET), std::to_string(PWRET_FROMHOSTPENDTRN));
    EXPECT_TRUE(Transcreveu("PW_iConfirmation(12833, 77, LOC77, EXT77, LOJA1, REDE) = 0 confirmed"));
    std::ifstream depois(ledger);
    std::getline(depois, linha);
    EXPECT_EQ(linha, "C|77|LOC77|EXT77|LOJA1|REDE");
}

// ---------------------------------------------------------------------------------------------
// Data capture

TEST(OvraTEFPGWebAPICapturaTest, AnswersAreCheckedByTheirRule) {
    struct Caso {
        std::uint8_t validacao;
        std::uint8_t tipos;
        std::uint32_t minimo, maximo;
        const char* msgValidacao;
        const char* resposta;
        const char* mensagem; // empty: accepted
        const char* respostaFinal;
    };
    const Caso casos[] = {
        {PWVAL_Modulo10, 0, 0, 0, "DIGITO INVALIDO", "4111 1111 1111 1111", "", "4111111111111111"},
        {PWVAL_Modulo10, 0, 0, 0, "DIGITO INVALIDO", "4111111111111112", "DIGITO INVALIDO",
         "4111111111111112"},
        {PWVAL_Modulo10, 0, 0, 0, "", "", "Dado inválido", ""},
        {PWVAL_CPF_CNPJ, 0, 0, 0, "", "529.982.247-25", "", "52998224725"},
        {PWVAL_CPF_CNPJ, 0, 0, 0, "", "11.222.333/0001-81", "", "11222333000181"},
        {PWVAL_CPF_CNPJ, 0, 0, 0, "DOCUMENTO INVALIDO", "111.111.111-11", "DOCUMENTO INVALIDO",
         "11111111111"},
        {PWVAL_CPF_CNPJ, 0, 0, 0, "", "11222333000182", "Dado inválido", "11222333000182"},
        {PWVAL_MMAA, 0, 0, 0, "", "12/27", "", "1227"},
        {PWVAL_MMAA, 0, 0, 0, "", "13/27", "Dado inválido", "1327"},
        {PWVAL_MMAA, 0, 0, 0, "", "1/27", "Dado inválido", "127"},
        {PWVAL_DDMMAA, 0, 0, 0, "", "29/02/24", "", "290224"},
        {PWVAL_DDMMAA, 0, 0, 0, "DATA INVALIDA", "29/02/25", "DATA INVALIDA", "290225"},
        {PWVAL_NaoVazio, 0, 0, 0, "", "", "Informe um valor", ""},
        {PWVAL_NaoVazio, 0, 0, 0, "", "X", "", "X"},
        {PWVAL_Nenhuma, PWTYP_Numerico, 10, 0, "", "ABC", "MENOR", "ABC"},
        {PWVAL_Nenhuma, PWTYP_Numerico, 10, 100, "", "101", "MAIOR", "101"},
        {PWVAL_Nenhuma, PWTYP_Numerico, 10, 100, "", "9", "MENOR", "9"},
        {PWVAL_Nenhuma, PWTYP_Numerico, 10, 100, "", "100", "", "100"},
        {PWVAL_Nenhuma, PWTYP_AlfaNume, 10, 100, "", "ABC", "", "ABC"},
    };
    for (const auto& c : casos) {
        TOvraTEFPGWebAPIDefinicaoCampo d;
        d.ValidacaoDado = c.validacao;
        d.TiposEntradaPermitidos = c.tipos;
        d.ValorMinimo = c.minimo;
        d.ValorMaximo = c.maximo;
        d.MsgValidacao = c.msgValidacao;
        d.MsgDadoMaior = "MAIOR";
        d.MsgDadoMenor = "MENOR";
        std::string resposta = c.resposta;
        EXPECT_EQ(OvraValidarRespostaCampo(d, resposta, 2025), c.mensagem) << c.resposta;
        EXPECT_EQ(resposta, c.respostaFinal) << c.resposta;
    }
    // Without the library's words for a value out of range, ours are used.
    TOvraTEFPGWebAPIDefinicaoCampo d;
    d.TiposEntradaPermitidos = PWTYP_Numerico;
    d.ValorMinimo = 10;
    d.ValorMaximo = 100;
    std::string resposta = "5";
    EXPECT_EQ(OvraValidarRespostaCampo(d, resposta, 2025), "Valor abaixo do mínimo permitido");
    resposta = "500";
    EXPECT_EQ(OvraValidarRespostaCampo(d, resposta, 2025), "Valor acima do máximo permitido");
}

TEST(OvraTEFPGWebAPICapturaTest, TheFieldDefinitionComesFromTheRecord) {
    auto r = std::make_unique<PW_GetData>();
    std::memset(r.get(), 0, sizeof(PW_GetData));
    r->wIdentificador = PWINFO_TOTAMNT;
    std::strcpy(r->szPrompt, "  VALOR  ");
    std::strcpy(r->szValorInicial, " 10 ");
    r->bTiposEntradaPermitidos = 9;
    r->bValidacaoDado = 8;
    r->bOcultarDadosDigitados = 2;
    r->bAceitaNulo = 1;
    auto d = OvraDefinicaoCampo(*r);
    EXPECT_EQ(d.Titulo, "VALOR");
    EXPECT_EQ(d.ValorInicial, "10");
    EXPECT_EQ(d.TiposEntradaPermitidos, PWTYP_AlfaNumEsp);
    EXPECT_EQ(d.ValidacaoDado, PWVAL_Nenhuma);
    EXPECT_FALSE(d.OcultarDadosDigitados);
    EXPECT_TRUE(d.AceitaNulo);

    const struct {
        std::uint16_t info;
        std::uint8_t validacao;
        const char* titulo;
    } senhas[] = {{PWINFO_AUTHMNGTUSER, 100, "INFORME A SENHA DO GERENTE"},
                  {PWINFO_AUTHTECHUSER, 101, "INFORME A SENHA TÉCNICA"}};
    for (const auto& s : senhas) {
        std::memset(r.get(), 0, sizeof(PW_GetData));
        r->wIdentificador = s.info;
        r->bTiposEntradaPermitidos = PWTYP_Numerico;
        d = OvraDefinicaoCampo(*r);
        EXPECT_EQ(d.ValidacaoDado, s.validacao);
        EXPECT_EQ(d.TiposEntradaPermitidos, PWTYP_AlfaNumEsp);
        EXPECT_TRUE(d.OcultarDadosDigitados);
        EXPECT_EQ(d.Titulo, s.titulo);
    }
}

TEST_F(Motor, AMenuAnswerSendsTheOptionsValue) {
    const std::string menu =
        "step = capture\nrecord = 59 1\nrec.szPrompt = PARCELAS\nrec.bNumOpcoesMenu = 5\n"
        "rec.bTeclasDeAtalho = 1\nrec.bItemInicial = 1\n"
        "rec.vszTextoMenu.0 = UMA\nrec.vszValorMenu.0 = 1\n"
        "rec.vszTextoMenu.1 = DUAS\nrec.vszValorMenu.1 = 2\n"
        "rec.vszTextoMenu.2 = TRES\nrec.vszValorMenu.2 = 3\n"
        "rec.vszTextoMenu.3 = QUATRO\nrec.vszValorMenu.3 = 4\n"
        "rec.vszTextoMenu.4 = CINCO\nrec.vszValorMenu.4 = 5\n";
    Iniciar();
    struct Caso {
        int item;
        bool aprovada;
    };
    for (const Caso caso : {Caso{2, true}, Caso{-1, false}, Caso{5, false}}) {
        Cenario("[transaction]\n" + menu);
        std::vector<std::string> opcoesVistas;
        int itemInicial = -9;
        api.OnExibeMenu = [&](const std::string&, const std::vector<std::string>& opcoes, int& item, bool&) {
            opcoesVistas = opcoes;
            itemInicial = item;
            item = caso.item;
        };
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_EQ(api.ExecutarTransacao(), caso.aprovada) << caso.item;
        EXPECT_EQ(itemInicial, 1);
        ASSERT_EQ(opcoesVistas.size(), 5u);
        EXPECT_EQ(opcoesVistas[2], "3 - TRES");
        EXPECT_EQ(Transcreveu("PW_iAddParam(59, 3) = 0"), caso.aprovada) << caso.item;
    }
}

TEST_F(Motor, ARecordIsServedAsManyTimesAsItAsks) {
    Iniciar();
    for (const int vezes : {0, 1, 3}) {
        Cenario(
            "[transaction]\nstep = capture\nrecord = 42 1\nrec.bNumOpcoesMenu = 1\nrec.vszValorMenu.0 = X\n"
            "rec.bNumeroCapturas = " +
            std::to_string(vezes) + "\n");
        int chamadas = 0;
        api.OnExibeMenu = [&](const std::string&, const std::vector<std::string>&, int& item, bool&) {
            ++chamadas;
            item = 0;
        };
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_TRUE(api.ExecutarTransacao());
        EXPECT_EQ(chamadas, std::max(vezes, 1));
    }
}

TEST_F(Motor, ARefusedAnswerIsAskedAgainEvenWithoutTheLibrarysMessage) {
    Iniciar();
    // Double entry whose two answers differ, and the record has no message for it.
    Cenario("[transaction]\nstep = capture\nrecord = 27 2\nrec.szPrompt = DIGITE\n"
            "rec.szMsgConfirmacao = REDIGITE\nrec.bValidacaoDado = 6\n");
    std::vector<std::string> respostas{"111", "222", "333", "333"};
    std::vector<std::string> titulos;
    api.OnObtemCampo = [&](const TOvraTEFPGWebAPIDefinicaoCampo& d, std::string& resposta, bool&, bool&) {
        titulos.push_back(d.Titulo);
        resposta = respostas[titulos.size() - 1];
    };
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_EQ(titulos, (std::vector<std::string>{"DIGITE", "REDIGITE", "DIGITE", "REDIGITE"}));
    EXPECT_TRUE(Transcreveu("PW_iAddParam(27, 333) = 0"));
    EXPECT_FALSE(Transcreveu("PW_iAddParam(27, 222) = 0"));
    EXPECT_NE(std::find(mensagens.begin(), mensagens.end(),
                        Mensagem{"Os valores digitados não conferem", tmOperador, 5000}),
              mensagens.end());

    // A number below the minimum, with the record's own message.
    Cenario("[transaction]\nstep = capture\nrecord = 37 2\nrec.bTiposEntradaPermitidos = 1\n"
            "rec.ulValorMinimo = 10\nrec.szMsgDadoMenor = VALOR BAIXO\n");
    respostas = {"ABC", "15"};
    titulos.clear();
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_EQ(titulos.size(), 2u);
    EXPECT_EQ(mensagens.front(), (Mensagem{"VALOR BAIXO", tmOperador, 5000}));
    EXPECT_TRUE(Transcreveu("PW_iAddParam(37, 15) = 0"));
}

TEST_F(Motor, AHiddenAnswerNeverReachesTheLog) {
    Iniciar();
    Cenario("[transaction]\nstep = capture\nrecord = 245 2\n");
    api.OnObtemCampo = [&](const TOvraTEFPGWebAPIDefinicaoCampo&, std::string& resposta, bool&, bool&) {
        resposta = "S3GREDO";
    };
    log.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_TRUE(Transcreveu("PW_iAddParam(245, S3GREDO) = 0"));
    for (const auto& linha : log)
        EXPECT_EQ(linha.find("S3GREDO"), std::string::npos) << linha;
}

TEST_F(Motor, ACardIsTypedOnlyWhenTheReadingFallsBack) {
    struct Caso {
        int entrada;
        bool perguntarAposCancelar;
        const char* leitura; // how the PIN-pad reading ends
        bool digitado;
        bool aprovada;
    };
    const Caso casos[] = {
        {2, true, "-2491", false, false}, // read only: a cancelled reading is the end
        {3, true, "-2491", true, true},   // read or typed: asked after a cancel when so set
        {3, false, "-2491", false, false}, {2, false, "-2486", true, true}, // fallback
        {1, false, "0", true, true}, // typed only: the PIN-pad is not used
    };
    Iniciar();
    for (const auto& c : casos) {
        Cenario(
            "[transaction]\nstep = capture\nrecord = 0 3\nrec.szPrompt = CARTAO\nrec.ulTipoEntradaCartao = " +
            std::to_string(c.entrada) + "\nppevents = " + c.leitura + "\n");
        api.PerguntarCartaoDigitadoAposCancelarLeitura = c.perguntarAposCancelar;
        std::vector<std::string> titulos;
        api.OnObtemCampo = [&](const TOvraTEFPGWebAPIDefinicaoCampo& d, std::string& resposta, bool&, bool&) {
            titulos.push_back(d.Titulo + " " + d.MascaraDeCaptura);
            resposta = titulos.size() == 1 ? "4111111111111111" : "12/30";
        };
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_EQ(api.ExecutarTransacao(), c.aprovada) << c.entrada << c.leitura;
        EXPECT_EQ(Transcreveu("PW_iPPGetCard(0) = 0"), c.entrada != 1);
        if (c.digitado) {
            EXPECT_EQ(titulos, (std::vector<std::string>{"CARTAO ", "VENCIMENTO CARTAO @@/@@"}));
            EXPECT_TRUE(Transcreveu("PW_iAddParam(193, 4111111111111111) = 0"));
            EXPECT_TRUE(Transcreveu("PW_iAddParam(194, 1230) = 0"));
        } else {
            EXPECT_TRUE(titulos.empty());
        }
    }
}

TEST_F(Motor, TheHostAddressIsAnsweredFromTheSettings) {
    Iniciar();
    api.SetEnderecoIP("pos.exemplo");
    api.SetPortaTCP("");
    Cenario("[transaction]\nstep = capture\nrecord = 27 2\n");
    bool perguntou = false;
    api.OnObtemCampo = [&](const TOvraTEFPGWebAPIDefinicaoCampo&, std::string&, bool&, bool& cancelado) {
        perguntou = true;
        cancelado = true;
    };
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    EXPECT_FALSE(perguntou);
    EXPECT_TRUE(Transcreveu("PW_iAddParam(27, pos.exemplo:17502) = 0"));
    EXPECT_EQ(api.PortaTCP(), "17502");

    // A value of the settings that is not among the menu's options is an error, not a guess.
    Cenario("[transaction]\nstep = capture\nrecord = 27 1\nrec.bNumOpcoesMenu = 1\nrec.vszValorMenu.0 = "
            "outro:1\n");
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(api.ExecutarTransacao());
    EXPECT_NE(
        std::find(mensagens.begin(), mensagens.end(),
                  Mensagem{"ParametrosAdicionais: Valor pos.exemplo:17502 é inválido para PWINFO_DESTTCPIP",
                           tmOperador, 5000}),
        mensagens.end());
}

TEST_F(Motor, APinPadOperationTheLibraryRefusesEndsTheRun) {
    Iniciar();
    Cenario("[transaction]\nstep = capture\nrecord = 0 6\nppstart = -2499\n");
    mensagens.clear();
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(api.ExecutarTransacao());
    EXPECT_NE(
        std::find(mensagens.begin(), mensagens.end(),
                  Mensagem{"O valor de uiIndex informado não corresponde a uma captura de dados deste tipo.",
                           tmOperador, 5000}),
        mensagens.end());
}

TEST_F(Motor, TheCheckoutMessageWaitsAndMayBeCancelled) {
    Iniciar();
    for (const bool cancelar : {false, true}) {
        Cenario("[transaction]\nstep = capture\nrecord = 32590 18\nrec.szPrompt = CONFIRA O VALOR\n"
                "during.116 = CANCELADA\n");
        std::vector<TOvraTEFPGWebAPIOperacaoPinPad> esperas;
        api.OnAguardaPinPad = [&](TOvraTEFPGWebAPIOperacaoPinPad operacao, bool& c) {
            esperas.push_back(operacao);
            c = cancelar;
        };
        mensagens.clear();
        api.IniciarTransacao(PWOPER_SALE);
        EXPECT_EQ(api.ExecutarTransacao(), !cancelar);
        EXPECT_EQ(esperas, std::vector<TOvraTEFPGWebAPIOperacaoPinPad>{ppLerQRCode});
        EXPECT_NE(std::find(mensagens.begin(), mensagens.end(), Mensagem{"CONFIRA O VALOR", tmCliente, -1}),
                  mensagens.end());
        EXPECT_EQ(Transcreveu("PW_iAddParam(32590, ) = 0"), !cancelar);
        EXPECT_EQ(Transcreveu("PW_iPPAbort() = 0"), cancelar);
        if (cancelar)
            EXPECT_EQ(api.DadosDaTransacao().ValueInfo(PWINFO_RET), "-2491");
    }
}

TEST_F(Motor, AnOptionalPinPadOperationTheLibraryLacksCancelsTheRun) {
    platform::DynamicLibrary semOpcionaisControle;
    semOpcionaisControle.Load(PastaBiblioteca("sem-opcionais") + COvraPGWebLibNome);
    std::ofstream(pasta.file("sem-opcionais.txt"))
        << "transcript = " << pasta.file("sem-opcionais-transcricao.txt") << "\n"
        << "[transaction]\nstep = capture\nrecord = 0 19\nduring.66 = MENSAGEM ANTIGA\n";
    using TCenario = std::int16_t (*)(const char*);
    ASSERT_EQ(
        semOpcionaisControle.Function<TCenario>("PWSim_Cenario")(pasta.file("sem-opcionais.txt").c_str()), 0);

    TOvraTEFPGWebAPI semOpcionais;
    Preparar(semOpcionais, "sem-opcionais");
    semOpcionais.Inicializar();
    mensagens.clear();
    semOpcionais.IniciarTransacao(PWOPER_SALE);
    EXPECT_FALSE(semOpcionais.ExecutarTransacao());
    EXPECT_EQ(semOpcionais.DadosDaTransacao().ValueInfo(PWINFO_RET), "-2491");
    EXPECT_TRUE(Logou("  Função não encontrada: PW_iPPTestKey"));
    // Whatever the library last said is about something else.
    EXPECT_EQ(std::find(mensagens.begin(), mensagens.end(), Mensagem{"MENSAGEM ANTIGA", tmOperador, 5000}),
              mensagens.end());
}

// ---------------------------------------------------------------------------------------------
// Idle processing

TEST_F(Motor, TheIdleCallIsScheduledWhenTheLibraryAsks) {
    struct Caso {
        const char* quando; // YYMMDDhhmmss; now is 01/06/2025 12:00:00
        bool jaChamada;
        bool timerAtivo;
        std::uint32_t intervalo;
    };
    const Caso casos[] = {
        {"250601115959", true, false, 0},
        {"250601120200", false, true, 120000},
        {"250601140000", false, true, 300000},
    };
    Iniciar();
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.quando);
        api.TimerIdle().Parar();
        Cenario(std::string("[transaction]\nstep = 0\nresult.32516 = ") + caso.quando + "\n");
        api.IniciarTransacao(PWOPER_SALE);
        api.ExecutarTransacao();
        EXPECT_EQ(Transcreveu("PW_iIdleProc() = 0"), caso.jaChamada);
        EXPECT_EQ(api.TimerIdle().Ativo(), caso.timerAtivo);
        if (caso.timerAtivo)
            EXPECT_EQ(api.TimerIdle().Intervalo(), caso.intervalo);
    }
}

TEST_F(Motor, TheTimerHandsTheIdleCallToTheMainThread) {
    FilaPrincipal fila;
    api.SetDespacho(&fila);
    Iniciar();
    Cenario("[transaction]\nstep = 0\nresult.32516 = 250601120200\n");
    api.IniciarTransacao(PWOPER_SALE);
    api.ExecutarTransacao();
    ASSERT_TRUE(api.TimerIdle().Ativo());

    api.TimerIdle().Disparar();
    fila.ExecutarUma();
    EXPECT_TRUE(Transcreveu("PW_iIdleProc() = 0"));
    EXPECT_FALSE(api.TimerIdle().Ativo());
}

TEST_F(Motor, TheIdleCallWaitsForTheTransactionToEnd) {
    FilaPrincipal fila;
    api.SetDespacho(&fila);
    Iniciar();
    Cenario("[transaction]\nstep = 0\nresult.32516 = 250601120200\n"
            "[transaction]\nduring.111 = PROCESSANDO\nstep = nothing\nstep = 0\n");
    api.IniciarTransacao(PWOPER_SALE);
    api.ExecutarTransacao();
    // A handler that pumps the event loop in the middle of the next transaction.
    api.OnExibeMensagem = [&](const std::string& texto, TOvraTEFPGWebAPITerminalMensagem, int) {
        if (texto == "PROCESSANDO") {
            api.TimerIdle().Disparar();
            fila.ExecutarUma();
        }
    };
    api.IniciarTransacao(PWOPER_SALE);
    EXPECT_TRUE(api.ExecutarTransacao());
    const std::size_t idle = PosicaoNaTranscricao("PW_iIdleProc()");
    ASSERT_NE(idle, std::string::npos);
    EXPECT_GT(idle, PosicaoNaTranscricao("PW_iExecTransac(10) = 0"));
}

TEST_F(Motor, DestroyingTheEngineDuringAHandOffDoesNotHang) {
    FilaPrincipal fila;
    {
        TOvraTEFPGWebAPI motor;
        motor.SetDespacho(&fila);
        Preparar(motor);
        motor.Inicializar();
        Cenario("[transaction]\nstep = 0\nresult.32516 = 250601120200\n");
        motor.IniciarTransacao(PWOPER_SALE);
        motor.ExecutarTransacao();
        motor.TimerIdle().Disparar();
        // The main thread never gets round to the task before the engine goes.
        while (fila.Pendentes() == 0)
            std::this_thread::yield();
    }
    // The task still queued finds the engine gone and does nothing.
    fila.ExecutarUma();
    EXPECT_FALSE(Transcreveu("PW_iIdleProc() = 0"));
}

TEST(OvraTEFPGWebAPITimerTest, StopsAndJoinsWhileWaiting) {
    int disparos = 0;
    {
        TOvraTEFPGWebAPITimer timer([&] { ++disparos; });
        timer.Iniciar(300000);
        EXPECT_TRUE(timer.Ativo());
        EXPECT_EQ(timer.Intervalo(), 300000u);
    }
    EXPECT_EQ(disparos, 0);
}

} // namespace
