#pragma once

// The PayGo Web library and the transaction engine over it.
//
// TOvraTEFPGWebAPI loads the PayGo Web client library, starts it, opens transactions, feeds them
// their parameters, runs the library's execution loop to the end and collects every result; it
// confirms, undoes and resolves transactions. It knows nothing of the TEF API framework: it talks to
// its owner only through its callbacks. Only this engine calls the library.

#include "OvraTEFPayGoComum.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/DynamicLibrary.h"
#include "tef/OvraTEFComum.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

// The library's calling convention: stdcall on 32-bit Windows, the platform's own elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define OVRA_PGWEB_CALL __stdcall
#else
#define OVRA_PGWEB_CALL
#endif

// The library's file name on this platform.
#ifdef _WIN32
inline constexpr const char* COvraPGWebLibNome = "PGWebLib.dll";
#else
inline constexpr const char* COvraPGWebLibNome = "libPGWebLib.so";
#endif

// Oldest library version the engine works with.
inline constexpr const char* COvraPGWebLibVersaoMinima = "0004.0000.0082.0003";

// One datum the library asks for, laid out byte for byte as the library fills it.
#pragma pack(push, 1)
struct PW_GetData {
    std::uint16_t wIdentificador;
    std::uint8_t bTipoDeDado;
    char szPrompt[84];
    std::uint8_t bNumOpcoesMenu;
    char vszTextoMenu[40][41];
    char vszValorMenu[40][256];
    char szMascaraDeCaptura[41];
    std::uint8_t bTiposEntradaPermitidos;
    std::uint8_t bTamanhoMinimo;
    std::uint8_t bTamanhoMaximo;
    std::uint32_t ulValorMinimo;
    std::uint32_t ulValorMaximo;
    std::uint8_t bOcultarDadosDigitados;
    std::uint8_t bValidacaoDado;
    std::uint8_t bAceitaNulo;
    char szValorInicial[41];
    std::uint8_t bTeclasDeAtalho;
    char szMsgValidacao[84];
    char szMsgConfirmacao[84];
    char szMsgDadoMaior[84];
    char szMsgDadoMenor[84];
    std::uint8_t bCapturarDataVencCartao;
    std::uint8_t bPreenchimento1[2];
    std::uint32_t ulTipoEntradaCartao;
    std::uint8_t bItemInicial;
    std::uint8_t bNumeroCapturas;
    char szMsgPrevia[84];
    std::uint8_t bTipoEntradaCodigoBarras;
    std::uint8_t bOmiteMsgAlerta;
    std::uint8_t bIniciaPelaEsquerda;
    std::uint8_t bNotificarCancelamento;
    std::uint8_t bAlinhaPelaDireita;
    std::uint8_t bPreenchimento2;
};
#pragma pack(pop)
static_assert(sizeof(PW_GetData) == 12500);
static_assert(offsetof(PW_GetData, vszValorMenu) == 1728);
static_assert(offsetof(PW_GetData, szMascaraDeCaptura) == 11968);
static_assert(offsetof(PW_GetData, ulValorMinimo) == 12012);
static_assert(offsetof(PW_GetData, szValorInicial) == 12023);
static_assert(offsetof(PW_GetData, szMsgPrevia) == 12410);
static_assert(offsetof(PW_GetData, bAlinhaPelaDireita) == 12498);

// A text field of a capture record: up to its NUL, never past its capacity (the library may fill it
// to the brim), out of the single-byte code page.
template <std::size_t N> std::string OvraPWTexto(const char (&campo)[N]) {
    std::size_t n = 0;
    while (n < N && campo[n] != '\0')
        ++n;
    return platform::AnsiToUtf8(std::string_view(campo, n));
}

// The library's entry points.
using TPW_iInit = std::int16_t(OVRA_PGWEB_CALL*)(const char* pszWorkingDir);
using TPW_iNewTransac = std::int16_t(OVRA_PGWEB_CALL*)(std::uint8_t bOper);
using TPW_iAddParam = std::int16_t(OVRA_PGWEB_CALL*)(std::uint16_t wParam, const char* pszValue);
using TPW_iExecTransac = std::int16_t(OVRA_PGWEB_CALL*)(PW_GetData* vstParam, std::int16_t* piNumParam);
using TPW_iGetResult = std::int16_t(OVRA_PGWEB_CALL*)(std::uint16_t iInfo, char* pszData,
                                                      std::uint32_t ulDataSize);
using TPW_iConfirmation = std::int16_t(OVRA_PGWEB_CALL*)(std::uint32_t ulStatus, const char* pszReqNum,
                                                         const char* pszLocRef, const char* pszExtRef,
                                                         const char* pszVirtMerch, const char* pszAuthSyst);
using TPW_iSemArgumentos = std::int16_t(OVRA_PGWEB_CALL*)();
using TPW_iPPEventLoop = std::int16_t(OVRA_PGWEB_CALL*)(char* pszDisplay, std::uint32_t ulDisplaySize);
using TPW_iPPIndice = std::int16_t(OVRA_PGWEB_CALL*)(std::uint16_t uiIndex);
using TPW_iPPDisplay = std::int16_t(OVRA_PGWEB_CALL*)(const char* pszMsg);
using TPW_iPPGetUserData = std::int16_t(OVRA_PGWEB_CALL*)(std::uint16_t uiMessageId, std::uint8_t bMinLen,
                                                          std::uint8_t bMaxLen, std::int16_t iToutSec,
                                                          char* pszData);
using TPW_iPPCommTest = std::int16_t(OVRA_PGWEB_CALL*)(char* pszMsg, std::int16_t iSize,
                                                       std::uint8_t* pbPresent);

// Where a QR code is shown.
enum TOvraTEFPGWebAPIExibicaoQRCode : int {
    qreNaoSuportado,
    qreAuto,
    qreExibirNoPinPad,
    qreExibirNoCheckOut
};

// Which display a message is for.
enum TOvraTEFPGWebAPITerminalMensagem : int { tmTodas, tmOperador, tmCliente };

// What the PIN-pad is doing while the engine waits for it.
enum TOvraTEFPGWebAPIOperacaoPinPad : int {
    ppGetCard,
    ppGetPIN,
    ppGetData,
    ppGoOnChip,
    ppFinishChip,
    ppConfirmData,
    ppGenericCMD,
    ppDataConfirmation,
    ppDisplay,
    ppGetUserData,
    ppWaitEvent,
    ppRemoveCard,
    ppGetPINBlock,
    ppTestKey,
    ppLerQRCode
};

std::string TerminalMensagemParaString(TOvraTEFPGWebAPITerminalMensagem terminal);
std::string OperacaoPinPadParaString(TOvraTEFPGWebAPIOperacaoPinPad operacao);

// What OnObtemCampo is asked to capture.
struct TOvraTEFPGWebAPIDefinicaoCampo {
    std::string Titulo;
    std::string MascaraDeCaptura;
    std::uint8_t TiposEntradaPermitidos = 0;
    std::int32_t TamanhoMinimo = 0;
    std::int32_t TamanhoMaximo = 0;
    std::uint32_t ValorMinimo = 0;
    std::uint32_t ValorMaximo = 0;
    bool OcultarDadosDigitados = false;
    std::uint8_t ValidacaoDado = 0; // a PWVAL code, or 100 manager's password, 101 technical password
    bool AceitaNulo = false;
    std::string ValorInicial;
    bool bTeclasDeAtalho = false;
    std::string MsgValidacao;
    std::string MsgConfirmacao;
    std::string MsgDadoMaior;
    std::string MsgDadoMenor;
    std::uint8_t TipoEntradaCodigoBarras = 0;
    bool OmiteMsgAlerta = false;
};

// The definition OnObtemCampo receives for a record: texts trimmed, flags true when their byte is 1,
// codes out of range brought back into it, and the two password prompts forced to a hidden field.
TOvraTEFPGWebAPIDefinicaoCampo OvraDefinicaoCampo(const PW_GetData& registro);

// Checks an answer against its field's rule (ValidacaoDado and, for numbers, the limits); the
// checks that work on the digits leave only the digits in the answer. Empty when it passes;
// otherwise the field's own message, or a message of ours when the library gave none, so that a
// refused answer is never let through for want of words. `anoAtual` gives a two-digit year its
// century.
std::string OvraValidarRespostaCampo(const TOvraTEFPGWebAPIDefinicaoCampo& definicao, std::string& resposta,
                                     int anoAtual);

// Every failure of the engine.
class EOvraTEFPayGoWeb : public EOvraTEFErro {
public:
    using EOvraTEFErro::EOvraTEFErro;
};

using TOvraGravarLog = std::function<void(const std::string& linha, bool& tratado)>;
using TOvraTEFPGWebAPIExibeMenu =
    std::function<void(const std::string& Titulo, const std::vector<std::string>& Opcoes,
                       int& ItemSelecionado, bool& Cancelado)>;
using TOvraTEFPGWebAPIObtemCampo =
    std::function<void(const TOvraTEFPGWebAPIDefinicaoCampo& DefinicaoCampo, std::string& Resposta,
                       bool& Validado, bool& Cancelado)>;
using TOvraTEFPGWebAPIExibeMensagem = std::function<void(
    const std::string& Mensagem, TOvraTEFPGWebAPITerminalMensagem Terminal, int MilissegundosExibicao)>;
using TOvraTEFPGWebAPIAguardaPinPad =
    std::function<void(TOvraTEFPGWebAPIOperacaoPinPad OperacaoPinPad, bool& Cancelar)>;
using TOvraTEFPGWebAPIExibeQRCode = std::function<void(const std::string& Dados)>;
using TOvraTEFPGWebAPIAvaliarTransacaoPendente = std::function<void(
    std::uint32_t& Status, const std::string& pszReqNum, const std::string& pszLocRef,
    const std::string& pszExtRef, const std::string& pszVirtMerch, const std::string& pszAuthSyst)>;

// How the idle timer's thread reaches the program's main thread: the application posts the task to
// its event loop, a test runs it where it likes. Despachar must return at once; the task is run
// later, once, on the main thread.
class TOvraTEFPGWebAPIDespacho {
public:
    virtual ~TOvraTEFPGWebAPIDespacho() = default;
    virtual void Despachar(std::function<void()> tarefa) = 0;
};

// A one-shot timer on a thread of its own that only waits. The function given is called on that
// thread when the interval has passed and the timer is still enabled; the timer then stays enabled
// until stopped or started again, but does not fire again by itself.
class TOvraTEFPGWebAPITimer {
public:
    explicit TOvraTEFPGWebAPITimer(std::function<void()> aoDisparar);
    ~TOvraTEFPGWebAPITimer();
    TOvraTEFPGWebAPITimer(const TOvraTEFPGWebAPITimer&) = delete;
    TOvraTEFPGWebAPITimer& operator=(const TOvraTEFPGWebAPITimer&) = delete;

    void Iniciar(std::uint32_t milissegundos);
    void Parar();
    bool Ativo() const;
    std::uint32_t Intervalo() const;
    // Ends the current wait as if the interval had passed (for whoever cannot wait for it).
    void Disparar();

private:
    void Executar();

    std::function<void()> fpAoDisparar;
    mutable std::mutex fpMutex;
    std::condition_variable fpSinal;
    bool fpAtivo = false;
    bool fpEncerrar = false;
    bool fpForcar = false;
    std::uint32_t fpIntervalo = 300000;
    std::uint64_t fpGeracao = 0;
    std::thread fpThread;
};

// Versions compare field by field from the left ("." between fields): digits as numbers of up to
// nine digits (an empty field is 0), anything else as text. <0, 0, >0.
int OvraCompararVersoes(const std::string& a, const std::string& b);

class TOvraTEFPGWebAPI {
public:
    TOvraTEFPGWebAPI();
    virtual ~TOvraTEFPGWebAPI();
    TOvraTEFPGWebAPI(const TOvraTEFPGWebAPI&) = delete;
    TOvraTEFPGWebAPI& operator=(const TOvraTEFPGWebAPI&) = delete;

    void Inicializar();
    void DesInicializar();

    void IniciarTransacao(std::uint8_t iOPER,
                          const TOvraTEFParametros* ParametrosAdicionaisTransacao = nullptr);
    // `Oculto`: the value is a secret (a password typed in a hidden field) and never reaches the log.
    void AdicionarParametro(std::uint16_t iINFO, const std::string& AValor, bool Oculto = false);
    // "code=value"; a line without "=", with an empty key or with a key that is not a PWINFO code is
    // skipped.
    void AdicionarParametro(const std::string& AKeyValueStr);
    // True when the transaction ended approved. Never throws: a failure ends in false, a message to
    // the operator and the result code in DadosDaTransacao (PWINFO_RET).
    bool ExecutarTransacao();
    void ObterDadosDaTransacao();
    std::string ObterInfo(std::uint16_t iINFO);
    void FinalizarTransacao(std::uint32_t Status, const std::string& pszReqNum, const std::string& pszLocRef,
                            const std::string& pszExtRef, const std::string& pszVirtMerch,
                            const std::string& pszAuthSyst);
    void EstornarTransacaoEmAndamento();
    void TratarTransacaoPendente();
    std::int16_t AbortarTransacao();
    std::uint8_t VerificarPresencaPinPad();
    void ExibirMensagemPinPad(const std::string& MsgPinPad);
    std::string ObterDadoPinPad(std::uint16_t iMessageId, std::uint8_t MinLen, std::uint8_t MaxLen,
                                std::uint16_t TimeOutSec);
    std::string VersaoLib();

    void GravarLog(const std::string& AString, bool Traduz = false);
    std::string GetPathPGWebLib() const;
    bool GetPGWebLibAtualiza() const;
    bool SetPGWebLibPermiteAtualiza(bool PermiteAtualizacao);

    // Properties with rules.
    const std::string& PathLib() const { return fpPathLib; }
    void SetPathLib(const std::string& valor);
    const std::string& DiretorioTrabalho() const { return fpDiretorioTrabalho; }
    void SetDiretorioTrabalho(const std::string& valor);
    const std::string& SoftwareHouse() const { return fpSoftwareHouse; }
    void SetSoftwareHouse(const std::string& valor);
    const std::string& NomeAplicacao() const { return fpNomeAplicacao; }
    void SetNomeAplicacao(const std::string& valor);
    const std::string& VersaoAplicacao() const { return fpVersaoAplicacao; }
    void SetVersaoAplicacao(const std::string& valor);
    const std::string& NomeEstabelecimento() const { return fpNomeEstabelecimento; }
    void SetNomeEstabelecimento(const std::string& valor);
    const std::string& CNPJEstabelecimento() const { return fpCNPJEstabelecimento; }
    void SetCNPJEstabelecimento(const std::string& valor);
    const std::string& PontoCaptura() const { return fpPontoCaptura; }
    void SetPontoCaptura(const std::string& valor);
    const std::string& EnderecoIP() const { return fpEnderecoIP; }
    void SetEnderecoIP(const std::string& valor);
    const std::string& PortaTCP() const { return fpPortaTCP; }
    void SetPortaTCP(const std::string& valor);

    bool Carregada() const { return fpBiblioteca.Loaded(); }
    bool Inicializada() const { return fpInicializada; }
    void SetInicializada(bool valor);
    bool EmTransacao() const { return fpEmTransacao; }
    TOvraTEFParametros& DadosDaTransacao() { return fpDadosDaTransacao; }
    TOvraTEFParametros& ParametrosAdicionais() { return fpParametrosAdicionais; }
    // The library file the engine loads (or loaded).
    std::string NomeBiblioteca() const;

    // The clock and sleeper; the program's clock unless one is given (the caller keeps it).
    void SetRelogio(platform::Clock* relogio) { fpRelogio = relogio; }
    // The idle timer's way to the main thread; without one the timer's call waits for the engine's
    // next transaction instead. The caller keeps it, and it must outlive the engine.
    void SetDespacho(TOvraTEFPGWebAPIDespacho* despacho);
    TOvraTEFPGWebAPITimer& TimerIdle() { return *fpTimerIdle; }
    platform::TDateTime ProximoIdle() const { return fpProximoIdle; }

    // Plain settings.
    bool IsDebug = false;
    bool AtualizaPGWebLibAutomaticamente = true;
    std::int32_t PortaPinPad = 0;
    bool SuportaSaque = false;
    bool SuportaDesconto = false;
    bool ImprimeViaClienteReduzida = false;
    bool SuportaViasDiferenciadas = true;
    bool UtilizaSaldoTotalVoucher = false;
    bool RemocaoCartaoPinPad = false;
    bool ExibeMensagemCheckout = true;
    TOvraTEFPGWebAPIExibicaoQRCode ExibicaoQRCode = qreAuto;
    bool ConfirmarTransacoesPendentesNoHost = true;
    bool PerguntarCartaoDigitadoAposCancelarLeitura = false;

    TOvraGravarLog OnGravarLog;
    TOvraTEFPGWebAPIExibeMenu OnExibeMenu;
    TOvraTEFPGWebAPIObtemCampo OnObtemCampo;
    TOvraTEFPGWebAPIExibeMensagem OnExibeMensagem;
    TOvraTEFPGWebAPIAguardaPinPad OnAguardaPinPad;
    TOvraTEFPGWebAPIExibeQRCode OnExibeQRCode;
    TOvraTEFPGWebAPIAvaliarTransacaoPendente OnAvaliarTransacaoPendente;

protected:
    // The capture step: serves the records the library filled and answers with a PWRET code;
    // PWRET_OK asks the execution loop to call the library again, anything else ends it.
    virtual std::int16_t ObterDados(std::span<PW_GetData> registros);

    // Logs "EOvraTEFPayGoWeb: " + the message and throws it; a blank message throws nothing.
    void DoException(const std::string& mensagem);
    // The library's result message, or the code's name when the library gives none, so that a
    // failure is never taken for a success for want of words.
    [[noreturn]] void ErroDaBiblioteca(std::int16_t ret);
    void ExibirMensagem(std::string mensagem, TOvraTEFPGWebAPITerminalMensagem terminal, int milissegundos);
    void AguardarPinPad(TOvraTEFPGWebAPIOperacaoPinPad operacao, bool& cancelar);
    void ExibirQRCode(const std::string& dados);
    // A value as it may be logged: secrets masked.
    std::string ValorParaLog(std::uint16_t iINFO, const std::string& valor) const;
    platform::Clock& Relogio() const { return fpRelogio ? *fpRelogio : platform::CurrentClock(); }

    std::string fpUltimoQRCode;
    bool fpPinPadUsado = false;

private:
    struct Funcoes;
    struct Entrega;

    // The parts of the capture step; each answers with a PWRET code, the field dialog with success.
    std::int16_t ServirRegistro(std::uint16_t indice, const PW_GetData& registro);
    bool PreencherDaConfiguracao(const PW_GetData& registro);
    std::int16_t CapturarMenu(const PW_GetData& registro);
    bool DialogoCampo(const PW_GetData& registro, std::string& resposta);
    std::int16_t CapturarCartao(std::uint16_t indice, const PW_GetData& registro);
    std::int16_t CapturarCartaoDigitado(const PW_GetData& registro);
    std::int16_t CapturarCodigoDeBarras(const PW_GetData& registro);
    std::int16_t OperacaoPinPad(std::uint16_t indice, TOvraTEFPGWebAPIOperacaoPinPad operacao);
    std::int16_t LacoDeEventosPinPad(TOvraTEFPGWebAPIOperacaoPinPad operacao);
    std::int16_t ExibirCheckout(const PW_GetData& registro, bool qrCode);
    void GravarLogRegistro(std::size_t indice, const PW_GetData& registro);

    void Carregar();
    void Descarregar();
    const Funcoes& Biblioteca();
    void SetEmTransacao(bool valor);
    void AdicionarDadosObrigatorios();
    // Schedules PW_iIdleProc at the time the library names (twelve digits, YYMMDDhhmmss).
    void AgendarIdle(const std::optional<std::string>& valor);
    void ExecutarIdle();
    // Runs on the timer's thread.
    void TimerDisparou();
    std::string TextoDosDados(std::uint16_t iINFO) const;

    platform::DynamicLibrary fpBiblioteca;
    std::unique_ptr<Funcoes> fpFuncoes;
    std::unique_ptr<PW_GetData[]> fpRegistros;
    std::string fpPathLib;
    std::string fpDiretorioTrabalho;
    std::string fpSoftwareHouse;
    std::string fpNomeAplicacao;
    std::string fpVersaoAplicacao;
    std::string fpNomeEstabelecimento;
    std::string fpCNPJEstabelecimento;
    std::string fpPontoCaptura;
    std::string fpEnderecoIP;
    std::string fpPortaTCP;
    bool fpInicializada = false;
    bool fpEmTransacao = false;
    bool fpIdlePendente = false;
    int fpOcupado = 0;
    TOvraTEFParametros fpDadosDaTransacao;
    TOvraTEFParametros fpParametrosAdicionais;
    std::set<std::uint16_t> fpCodigosOcultos;
    platform::TDateTime fpProximoIdle;
    platform::Clock* fpRelogio = nullptr;

    std::mutex fpMutexEntrega;
    TOvraTEFPGWebAPIDespacho* fpDespacho = nullptr;
    std::shared_ptr<Entrega> fpEntrega;
    bool fpEncerrando = false;
    // Last: its thread stops before anything it reaches is gone.
    std::unique_ptr<TOvraTEFPGWebAPITimer> fpTimerIdle;
};
