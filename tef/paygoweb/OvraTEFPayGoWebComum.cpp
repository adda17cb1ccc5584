#include "OvraTEFPayGoWebComum.h"

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tef/OvraValidador.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>

namespace {

constexpr std::uint32_t TamanhoResultado = 10240;
constexpr std::uint32_t TamanhoDisplay = 512;
constexpr std::uint32_t IntervaloIdleMaximo = 300000;
constexpr std::uint32_t EsperaPoll = 300;
constexpr std::size_t NumRegistros = 11;

std::string Booleano(bool v) {
    return v ? "True" : "False";
}

// A library buffer as text: up to its NUL, never past its size, even when the library filled it to
// the brim without one.
std::string DoBuffer(const char* buffer, std::size_t tamanho) {
    return std::string(buffer, strnlen(buffer, tamanho));
}

// UTF-8 characters, not bytes, so that a cut never splits one.
std::string Cortar(const std::string& texto, std::size_t maximo) {
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if ((static_cast<unsigned char>(texto[i]) & 0xC0) != 0x80) {
            if (caracteres == maximo)
                return texto.substr(0, i);
            ++caracteres;
        }
    }
    return texto;
}

// The parameters whose values are secrets or identify the card: never logged in clear.
bool Sigiloso(std::uint16_t iINFO) {
    switch (iINFO) {
    case PWINFO_PPPPWD:
    case PWINFO_CARDEXPDATE:
    case PWINFO_AUTHMNGTUSER:
    case PWINFO_AUTHTECHUSER:
    case PWINFO_CARDFULLPAN:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string TerminalMensagemParaString(TOvraTEFPGWebAPITerminalMensagem terminal) {
    switch (terminal) {
    case tmTodas:
        return "tmTodas";
    case tmOperador:
        return "tmOperador";
    case tmCliente:
        return "tmCliente";
    }
    return "tm" + std::to_string(static_cast<int>(terminal));
}

std::string OperacaoPinPadParaString(TOvraTEFPGWebAPIOperacaoPinPad operacao) {
    static constexpr const char* Nomes[] = {
        "ppGetCard",     "ppGetPIN",     "ppGetData",          "ppGoOnChip", "ppFinishChip",
        "ppConfirmData", "ppGenericCMD", "ppDataConfirmation", "ppDisplay",  "ppGetUserData",
        "ppWaitEvent",   "ppRemoveCard", "ppGetPINBlock",      "ppTestKey",  "ppLerQRCode"};
    const int i = static_cast<int>(operacao);
    if (i >= 0 && i < static_cast<int>(std::size(Nomes)))
        return Nomes[i];
    return "pp" + std::to_string(i);
}

int OvraCompararVersoes(const std::string& a, const std::string& b) {
    auto campos = [](const std::string& v) {
        std::vector<std::string> r;
        std::size_t inicio = 0;
        for (;;) {
            const std::size_t ponto = v.find('.', inicio);
            r.push_back(v.substr(inicio, ponto == std::string::npos ? std::string::npos : ponto - inicio));
            if (ponto == std::string::npos)
                return r;
            inicio = ponto + 1;
        }
    };
    const auto ca = campos(a), cb = campos(b);
    const std::size_t n = std::max(ca.size(), cb.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string x = i < ca.size() ? ca[i] : std::string();
        const std::string y = i < cb.size() ? cb[i] : std::string();
        auto numero = [](const std::string& s) -> std::optional<std::int64_t> {
            if (s.empty())
                return 0;
            if (s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return std::nullopt;
            return std::stoll(s);
        };
        const auto nx = numero(x), ny = numero(y);
        int c;
        if (nx && ny)
            c = *nx < *ny ? -1 : (*nx > *ny ? 1 : 0);
        else
            c = x.compare(y) < 0 ? -1 : (x.compare(y) > 0 ? 1 : 0);
        if (c != 0)
            return c;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFPGWebAPITimer

TOvraTEFPGWebAPITimer::TOvraTEFPGWebAPITimer(std::function<void()> aoDisparar)
    : fpAoDisparar(std::move(aoDisparar)), fpThread([this] { Executar(); }) {}

TOvraTEFPGWebAPITimer::~TOvraTEFPGWebAPITimer() {
    {
        std::lock_guard trava(fpMutex);
        fpEncerrar = true;
    }
    fpSinal.notify_all();
    fpThread.join();
}

void TOvraTEFPGWebAPITimer::Iniciar(std::uint32_t milissegundos) {
    {
        std::lock_guard trava(fpMutex);
        fpIntervalo = milissegundos;
        fpAtivo = true;
        fpForcar = false;
        ++fpGeracao;
    }
    fpSinal.notify_all();
}

void TOvraTEFPGWebAPITimer::Parar() {
    {
        std::lock_guard trava(fpMutex);
        fpAtivo = false;
        fpForcar = false;
        ++fpGeracao;
    }
    fpSinal.notify_all();
}

bool TOvraTEFPGWebAPITimer::Ativo() const {
    std::lock_guard trava(fpMutex);
    return fpAtivo;
}

std::uint32_t TOvraTEFPGWebAPITimer::Intervalo() const {
    std::lock_guard trava(fpMutex);
    return fpIntervalo;
}

void TOvraTEFPGWebAPITimer::Disparar() {
    {
        std::lock_guard trava(fpMutex);
        fpForcar = true;
    }
    fpSinal.notify_all();
}

void TOvraTEFPGWebAPITimer::Executar() {
    std::unique_lock trava(fpMutex);
    while (!fpEncerrar) {
        if (!fpAtivo) {
            fpSinal.wait(trava, [this] { return fpEncerrar || fpAtivo; });
            continue;
        }
        const std::uint64_t geracao = fpGeracao;
        const auto prazo = std::chrono::steady_clock::now() + std::chrono::milliseconds(fpIntervalo);
        const bool interrompido =
            fpSinal.wait_until(trava, prazo, [&] { return fpEncerrar || fpGeracao != geracao || fpForcar; });
        if (interrompido && !fpForcar)
            continue;
        fpForcar = false;
        if (fpEncerrar || !fpAtivo || fpGeracao != geracao)
            continue;
        // Fires once per start; a new start (or stop) makes a new generation.
        ++fpGeracao;
        const std::uint64_t disparo = fpGeracao;
        trava.unlock();
        fpAoDisparar();
        trava.lock();
        if (fpGeracao == disparo)
            fpSinal.wait(trava, [&] { return fpEncerrar || fpGeracao != disparo; });
    }
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFPGWebAPI

struct TOvraTEFPGWebAPI::Funcoes {
    TPW_iInit PW_iInit = nullptr;
    TPW_iNewTransac PW_iNewTransac = nullptr;
    TPW_iAddParam PW_iAddParam = nullptr;
    TPW_iExecTransac PW_iExecTransac = nullptr;
    TPW_iGetResult PW_iGetResult = nullptr;
    TPW_iConfirmation PW_iConfirmation = nullptr;
    TPW_iSemArgumentos PW_iIdleProc = nullptr;
    TPW_iPPEventLoop PW_iPPEventLoop = nullptr;
    TPW_iSemArgumentos PW_iPPAbort = nullptr;
    TPW_iSemArgumentos PW_iPPRemoveCard = nullptr;
    TPW_iPPIndice PW_iPPGetCard = nullptr;
    TPW_iPPIndice PW_iPPGetPIN = nullptr;
    TPW_iPPIndice PW_iPPGetData = nullptr;
    TPW_iPPIndice PW_iPPGoOnChip = nullptr;
    TPW_iPPIndice PW_iPPFinishChip = nullptr;
    TPW_iPPIndice PW_iPPConfirmData = nullptr;
    TPW_iPPIndice PW_iPPGenericCMD = nullptr;
    TPW_iPPDisplay PW_iPPDisplay = nullptr;
    TPW_iPPGetUserData PW_iPPGetUserData = nullptr;
    void* PW_iGetOperations = nullptr;
    void* PW_iPPWaitEvent = nullptr;
    void* PW_iTransactionInquiry = nullptr;
    // Optional.
    TPW_iPPIndice PW_iPPDataConfirmation = nullptr;
    TPW_iPPIndice PW_iPPTestKey = nullptr;
    TPW_iPPCommTest PW_iPPCommTest = nullptr;
    TPW_iSemArgumentos PW_End = nullptr;
    void* PW_iGetOperationsEx = nullptr;
    void* PW_iPPGetPINBlock = nullptr;
    void* PW_iWaitConfirmation = nullptr;
};

// One hand-off of the idle call to the main thread; shared by the timer's thread, the task queued
// in the application and the engine, any of which may be the last to let go of it.
struct TOvraTEFPGWebAPI::Entrega {
    std::mutex mutex;
    std::condition_variable sinal;
    bool feita = false;
    bool cancelada = false;
};

TOvraTEFPGWebAPI::TOvraTEFPGWebAPI()
    : fpFuncoes(std::make_unique<Funcoes>()), fpRegistros(std::make_unique<PW_GetData[]>(NumRegistros)),
      fpTimerIdle(std::make_unique<TOvraTEFPGWebAPITimer>([this] { TimerDisparou(); })) {}

TOvraTEFPGWebAPI::~TOvraTEFPGWebAPI() {
    OnGravarLog = nullptr;
    try {
        DesInicializar();
    } catch (...) {
        // Nothing to tell anyone at this point; the library is unloaded below regardless.
    }
    {
        std::lock_guard trava(fpMutexEntrega);
        fpEncerrando = true;
        if (fpEntrega) {
            std::lock_guard t(fpEntrega->mutex);
            fpEntrega->cancelada = true;
            fpEntrega->sinal.notify_all();
        }
    }
    fpTimerIdle.reset();
    Descarregar();
}

void TOvraTEFPGWebAPI::SetDespacho(TOvraTEFPGWebAPIDespacho* despacho) {
    std::lock_guard trava(fpMutexEntrega);
    fpDespacho = despacho;
}

void TOvraTEFPGWebAPI::GravarLog(const std::string& AString, bool Traduz) {
    if (!OnGravarLog)
        return;
    bool tratado = false;
    OnGravarLog(Traduz ? platform::ToLogText(AString) : AString, tratado);
}

void TOvraTEFPGWebAPI::DoException(const std::string& mensagem) {
    if (platform::Trim(mensagem).empty())
        return;
    GravarLog("EOvraTEFPayGoWeb: " + mensagem);
    throw EOvraTEFPayGoWeb(mensagem);
}

void TOvraTEFPGWebAPI::ErroDaBiblioteca(std::int16_t ret) {
    std::string mensagem = platform::Trim(ObterInfo(PWINFO_RESULTMSG));
    if (mensagem.empty())
        mensagem = PWRETParaString(ret);
    DoException(mensagem);
    throw EOvraTEFPayGoWeb(mensagem); // not reached: the message is never blank
}

void TOvraTEFPGWebAPI::ExibirMensagem(std::string mensagem, TOvraTEFPGWebAPITerminalMensagem terminal,
                                      int milissegundos) {
    if (!mensagem.empty() && mensagem.front() == '\r')
        mensagem.erase(0, 1);
    GravarLog("  OnExibeMensagem( " + mensagem + ", " + TerminalMensagemParaString(terminal) + ", " +
              std::to_string(milissegundos) + " )");
    if (OnExibeMensagem)
        OnExibeMensagem(mensagem, terminal, milissegundos);
}

void TOvraTEFPGWebAPI::AguardarPinPad(TOvraTEFPGWebAPIOperacaoPinPad operacao, bool& cancelar) {
    cancelar = false;
    GravarLog("  OnAguardaPinPad( " + OperacaoPinPadParaString(operacao) + " )");
    if (OnAguardaPinPad)
        OnAguardaPinPad(operacao, cancelar);
    GravarLog("    Cancelado: " + Booleano(cancelar));
}

void TOvraTEFPGWebAPI::ExibirQRCode(const std::string& dados) {
    GravarLog("  OnExibeQRCode( " + dados + " )");
    if (OnExibeQRCode)
        OnExibeQRCode(dados);
}

std::string TOvraTEFPGWebAPI::ValorParaLog(std::uint16_t iINFO, const std::string& valor) const {
    if (valor.empty())
        return valor;
    if (iINFO == PWINFO_CARDFULLPAN && valor.size() > 10)
        // The BIN and the last four digits are what receipts show anyway.
        return valor.substr(0, 6) + std::string(valor.size() - 10, '*') + valor.substr(valor.size() - 4);
    if (Sigiloso(iINFO) || fpCodigosOcultos.count(iINFO) != 0)
        return std::string(valor.size(), '*');
    return valor;
}

// ---------------------------------------------------------------------------------------------
// Properties

void TOvraTEFPGWebAPI::SetPathLib(const std::string& valor) {
    GravarLog("TOvraTEFPGWebAPI.SetPathLib( " + valor + " )");
    if (valor == fpPathLib)
        return;
    if (fpInicializada)
        DoException("Biblioteca PGWebLib já foi inicializada");
    if (valor.empty()) {
        fpPathLib.clear();
        return;
    }
    // A folder given without its trailing separator is still the folder, not its parent.
    const std::string pasta = platform::DirectoryExists(valor) ? valor : platform::ExtractFileDir(valor);
    fpPathLib = pasta.empty() ? std::string() : platform::IncludeTrailingPathDelimiter(pasta);
}

void TOvraTEFPGWebAPI::SetDiretorioTrabalho(const std::string& valor) {
    GravarLog("TOvraTEFPGWebAPI.SetDiretorioTrabalho( " + valor + " )");
    if (valor == fpDiretorioTrabalho)
        return;
    if (fpInicializada)
        DoException("Biblioteca PGWebLib já foi inicializada");
    fpDiretorioTrabalho = valor;
}

void TOvraTEFPGWebAPI::SetSoftwareHouse(const std::string& valor) {
    fpSoftwareHouse = Cortar(platform::Trim(valor), 50);
}

void TOvraTEFPGWebAPI::SetNomeAplicacao(const std::string& valor) {
    fpNomeAplicacao = Cortar(platform::Trim(valor), 128);
}

void TOvraTEFPGWebAPI::SetVersaoAplicacao(const std::string& valor) {
    fpVersaoAplicacao = Cortar(platform::Trim(valor), 128);
}

void TOvraTEFPGWebAPI::SetNomeEstabelecimento(const std::string& valor) {
    fpNomeEstabelecimento = Cortar(platform::Trim(valor), 100);
}

void TOvraTEFPGWebAPI::SetCNPJEstabelecimento(const std::string& valor) {
    const std::string digitos = OvraSoDigitos(valor);
    if (!digitos.empty() && !OvraValidarCNPJ(digitos))
        DoException("SetCNPJEstabelecimento: CNPJ inválido");
    fpCNPJEstabelecimento = digitos;
}

void TOvraTEFPGWebAPI::SetPontoCaptura(const std::string& valor) {
    fpPontoCaptura = OvraSoDigitos(valor).substr(0, 11);
}

void TOvraTEFPGWebAPI::SetEnderecoIP(const std::string& valor) {
    fpEnderecoIP = platform::Trim(valor);
}

void TOvraTEFPGWebAPI::SetPortaTCP(const std::string& valor) {
    fpPortaTCP = platform::Trim(valor);
}

void TOvraTEFPGWebAPI::SetInicializada(bool valor) {
    if (valor == fpInicializada)
        return;
    GravarLog("TOvraTEFPGWebAPI.SetInicializada( " + Booleano(valor) + " )");
    if (valor)
        Inicializar();
    else
        DesInicializar();
}

// ---------------------------------------------------------------------------------------------
// Environment

std::string TOvraTEFPGWebAPI::GetPathPGWebLib() const {
    std::string caminho = platform::Trim(platform::GetEnv("PathPGWebLib").value_or(""));
    if (IsDebug && !caminho.empty()) {
        for (const char separador : {'\\', '/'}) {
            const std::string trecho = std::string("PGWebLib") + separador;
            const std::size_t p = caminho.find(trecho);
            if (p == std::string::npos)
                continue;
            std::string depuracao = caminho;
            depuracao.insert(p + trecho.size(), std::string("DEBUG") + separador);
            if (platform::FileExists(depuracao))
                return depuracao;
        }
    }
    return caminho;
}

bool TOvraTEFPGWebAPI::GetPGWebLibAtualiza() const {
    return platform::SameTextAscii(platform::Trim(platform::GetEnv("PGWebLibAtualiza").value_or("")), "true");
}

bool TOvraTEFPGWebAPI::SetPGWebLibPermiteAtualiza(bool PermiteAtualizacao) {
    return platform::SetUserEnv("PGWebLibPermiteAtualiza", Booleano(PermiteAtualizacao));
}

// ---------------------------------------------------------------------------------------------
// Loading

std::string TOvraTEFPGWebAPI::NomeBiblioteca() const {
    if (fpBiblioteca.Loaded())
        return fpBiblioteca.Path();
    if (!fpPathLib.empty())
        return fpPathLib + COvraPGWebLibNome;
    std::string caminho = GetPathPGWebLib();
    if (!caminho.empty())
        return caminho;
    // The copy installed with the program comes before any other the system would find.
    const std::string local =
        platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) + COvraPGWebLibNome;
    return platform::FileExists(local) ? local : std::string(COvraPGWebLibNome);
}

void TOvraTEFPGWebAPI::Carregar() {
    if (fpBiblioteca.Loaded())
        return;
    const std::string arquivo = NomeBiblioteca();
    GravarLog("TOvraTEFPGWebAPI.LoadDLLFunctions - " + arquivo);
    std::error_code erro;
    if (!fpBiblioteca.Load(arquivo, erro))
        DoException(fpBiblioteca.ErrorText());

    Funcoes f;
    struct Entrada {
        const char* nome;
        void** destino;
        bool obrigatoria;
    };
    const Entrada entradas[] = {
        {"PW_iInit", reinterpret_cast<void**>(&f.PW_iInit), true},
        {"PW_iNewTransac", reinterpret_cast<void**>(&f.PW_iNewTransac), true},
        {"PW_iAddParam", reinterpret_cast<void**>(&f.PW_iAddParam), true},
        {"PW_iExecTransac", reinterpret_cast<void**>(&f.PW_iExecTransac), true},
        {"PW_iGetResult", reinterpret_cast<void**>(&f.PW_iGetResult), true},
        {"PW_iConfirmation", reinterpret_cast<void**>(&f.PW_iConfirmation), true},
        {"PW_iIdleProc", reinterpret_cast<void**>(&f.PW_iIdleProc), true},
        {"PW_iPPEventLoop", reinterpret_cast<void**>(&f.PW_iPPEventLoop), true},
        {"PW_iPPAbort", reinterpret_cast<void**>(&f.PW_iPPAbort), true},
        {"PW_iPPRemoveCard", reinterpret_cast<void**>(&f.PW_iPPRemoveCard), true},
        {"PW_iPPGetCard", reinterpret_cast<void**>(&f.PW_iPPGetCard), true},
        {"PW_iPPGetPIN", reinterpret_cast<void**>(&f.PW_iPPGetPIN), true},
        {"PW_iPPGetData", reinterpret_cast<void**>(&f.PW_iPPGetData), true},
        {"PW_iPPGoOnChip", reinterpret_cast<void**>(&f.PW_iPPGoOnChip), true},
        {"PW_iPPFinishChip", reinterpret_cast<void**>(&f.PW_iPPFinishChip), true},
        {"PW_iPPConfirmData", reinterpret_cast<void**>(&f.PW_iPPConfirmData), true},
        {"PW_iPPGenericCMD", reinterpret_cast<void**>(&f.PW_iPPGenericCMD), true},
        {"PW_iPPDisplay", reinterpret_cast<void**>(&f.PW_iPPDisplay), true},
        {"PW_iPPGetUserData", reinterpret_cast<void**>(&f.PW_iPPGetUserData), true},
        {"PW_iGetOperations", &f.PW_iGetOperations, true},
        {"PW_iPPWaitEvent", &f.PW_iPPWaitEvent, true},
        {"PW_iTransactionInquiry", &f.PW_iTransactionInquiry, true},
        {"PW_iPPDataConfirmation", reinterpret_cast<void**>(&f.PW_iPPDataConfirmation), false},
        {"PW_iPPTestKey", reinterpret_cast<void**>(&f.PW_iPPTestKey), false},
        {"PW_iPPCommTest", reinterpret_cast<void**>(&f.PW_iPPCommTest), false},
        {"PW_End", reinterpret_cast<void**>(&f.PW_End), false},
        {"PW_iGetOperationsEx", &f.PW_iGetOperationsEx, false},
        {"PW_iPPGetPINBlock", &f.PW_iPPGetPINBlock, false},
        {"PW_iWaitConfirmation", &f.PW_iWaitConfirmation, false},
    };
    for (const auto& entrada : entradas) {
        GravarLog(std::string("   ") + entrada.nome);
        *entrada.destino = fpBiblioteca.Symbol(entrada.nome);
        if (*entrada.destino != nullptr)
            continue;
        if (entrada.obrigatoria) {
            // A library without all it needs is not kept half loaded.
            fpBiblioteca.Free();
            DoException(std::string("Erro ao carregar a função: ") + entrada.nome + " de: " + arquivo);
        }
        GravarLog(std::string("     Função não requerida: ") + entrada.nome +
                  " não encontrada em: " + arquivo);
    }
    *fpFuncoes = f;
}

void TOvraTEFPGWebAPI::Descarregar() {
    *fpFuncoes = Funcoes{};
    fpBiblioteca.Free();
}

const TOvraTEFPGWebAPI::Funcoes& TOvraTEFPGWebAPI::Biblioteca() {
    if (!fpBiblioteca.Loaded())
        DoException("Biblioteca PGWebLib não foi inicializada");
    return *fpFuncoes;
}

// ---------------------------------------------------------------------------------------------
// Start and stop

void TOvraTEFPGWebAPI::Inicializar() {
    if (fpInicializada)
        return;
    GravarLog("TOvraTEFPGWebAPI.Inicializar");

    if (!OnObtemCampo)
        DoException("Evento OnObtemCampo não atribuido");
    if (!OnExibeMenu)
        DoException("Evento OnExibeMenu não atribuido");
    if (!OnExibeMensagem)
        DoException("Evento OnExibeMensagem não atribuido");
    if (!OnAguardaPinPad)
        DoException("Evento OnAguardaPinPad não atribuido");

    if (!OnExibeQRCode && ExibicaoQRCode == qreExibirNoCheckOut)
        ExibicaoQRCode = qreExibirNoPinPad;

    if (fpDiretorioTrabalho.empty())
        fpDiretorioTrabalho = platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) +
                              "TEF" + platform::PathDelim + "PGWeb";
    if (!platform::DirectoryExists(fpDiretorioTrabalho))
        platform::CreateDirectories(fpDiretorioTrabalho);

    SetPGWebLibPermiteAtualiza(false);
    if (!fpPontoCaptura.empty())
        platform::SetUserEnv("PontoDeCaptura", fpPontoCaptura);
    if (!fpCNPJEstabelecimento.empty())
        platform::SetUserEnv("CPFCNPJ", fpCNPJEstabelecimento);

    Carregar();
    GravarLog(GetPGWebLibAtualiza() ? "Atualização disponível para PGWebLib" : "PGWebLib sem atualização");

    GravarLog("PW_iInit( " + fpDiretorioTrabalho + " )");
    const std::int16_t ret = fpFuncoes->PW_iInit(platform::Utf8ToAnsi(fpDiretorioTrabalho).c_str());
    GravarLog("  " + PWRETParaString(ret));
    if (ret != PWRET_OK && ret != PWRET_INVCALL) {
        if (ret == PWRET_WRITERR)
            DoException("Falha de gravação no diretório " + fpDiretorioTrabalho);
        ErroDaBiblioteca(ret);
    }
    fpInicializada = true;

    std::string versao;
    try {
        versao = VersaoLib();
    } catch (const std::exception&) {
        // A library whose version cannot be read is not taken as started either.
        DesInicializar();
        throw;
    }
    if (OvraCompararVersoes(versao, COvraPGWebLibVersaoMinima) < 0) {
        const std::string mensagem = "Biblioteca " + NomeBiblioteca() + " tem versão " + versao +
                                     ", inferior a " + COvraPGWebLibVersaoMinima;
        // Left started, a second attempt would find it "already initialised" and go on with it.
        DesInicializar();
        DoException(mensagem);
    }
}

void TOvraTEFPGWebAPI::DesInicializar() {
    if (!fpInicializada)
        return;
    GravarLog("TOvraTEFPGWebAPI.DesInicializar");
    fpTimerIdle->Parar();
    fpIdlePendente = false;
    fpEmTransacao = false;
    if (fpFuncoes->PW_End) {
        GravarLog("PW_End");
        const std::int16_t ret = fpFuncoes->PW_End();
        GravarLog("  " + PWRETParaString(ret));
    }
    Descarregar();
    SetPGWebLibPermiteAtualiza(AtualizaPGWebLibAutomaticamente);
    fpInicializada = false;
}

std::string TOvraTEFPGWebAPI::VersaoLib() {
    if (!fpInicializada)
        Inicializar();
    IniciarTransacao(PWOPER_VERSION);
    ExecutarTransacao();
    return TextoDosDados(PWINFO_RESULTMSG);
}

std::string TOvraTEFPGWebAPI::TextoDosDados(std::uint16_t iINFO) const {
    return platform::AnsiToUtf8(platform::UnescapeBinary(fpDadosDaTransacao.ValueInfo(iINFO)));
}

// ---------------------------------------------------------------------------------------------
// Transactions

void TOvraTEFPGWebAPI::SetEmTransacao(bool valor) {
    if (valor == fpEmTransacao)
        return;
    fpEmTransacao = valor;
    if (valor) {
        fpDadosDaTransacao.Clear();
        fpPinPadUsado = false;
        fpCodigosOcultos.clear();
        return;
    }
    AgendarIdle(std::nullopt);
    if (fpIdlePendente)
        ExecutarIdle();
    ExibirMensagem("", tmTodas, -1);
}

void TOvraTEFPGWebAPI::IniciarTransacao(std::uint8_t iOPER,
                                        const TOvraTEFParametros* ParametrosAdicionaisTransacao) {
    if (fpEmTransacao)
        DoException("Já foi iniciada uma Transação");
    const Funcoes& f = Biblioteca();
    GravarLog("PW_iNewTransac( " + PWOPERParaString(iOPER) + " )");
    const std::int16_t ret = f.PW_iNewTransac(iOPER);
    GravarLog("  " + PWRETParaString(ret));
    if (ret != PWRET_OK) {
        if (ret == PWRET_NOTINST)
            DoException("É necessário efetuar uma transação de Instalação");
        if (ret == PWRET_DLLNOTINIT)
            DoException("Biblioteca PGWebLib não foi inicializada");
        ErroDaBiblioteca(ret);
    }
    SetEmTransacao(true);

    try {
        AdicionarDadosObrigatorios();
        for (const auto& linha : fpParametrosAdicionais.Linhas())
            AdicionarParametro(linha);
        fpParametrosAdicionais.Clear();
        if (ParametrosAdicionaisTransacao)
            for (const auto& linha : ParametrosAdicionaisTransacao->Linhas())
                AdicionarParametro(linha);
    } catch (const std::exception& e) {
        try {
            EstornarTransacaoEmAndamento();
        } catch (const std::exception&) {
            // Already logged; the error to report is the first one.
        }
        // Left open, every later transaction would fail with "Já foi iniciada uma Transação".
        try {
            SetEmTransacao(false);
        } catch (const std::exception&) {
        }
        if (dynamic_cast<const EOvraTEFPayGoWeb*>(&e))
            throw;
        DoException(e.what());
        throw;
    }
}

void TOvraTEFPGWebAPI::AdicionarDadosObrigatorios() {
    GravarLog("TOvraTEFPGWebAPI.AdicionarDadosObrigatorios");
    std::uint32_t capacidades = 4;
    if (SuportaSaque)
        capacidades += 1;
    if (SuportaDesconto)
        capacidades += 2;
    if (SuportaViasDiferenciadas)
        capacidades += 8;
    if (ImprimeViaClienteReduzida)
        capacidades += 16;
    if (UtilizaSaldoTotalVoucher)
        capacidades += 32;
    if (RemocaoCartaoPinPad)
        capacidades += 64;
    if (ExibeMensagemCheckout)
        capacidades += 128;
    if (ExibicaoQRCode != qreNaoSuportado)
        capacidades += 256;

    AdicionarParametro(PWINFO_AUTNAME, fpNomeAplicacao);
    AdicionarParametro(PWINFO_AUTVER, fpVersaoAplicacao);
    AdicionarParametro(PWINFO_AUTDEV, fpSoftwareHouse);
    AdicionarParametro(PWINFO_AUTCAP, std::to_string(capacidades));
    AdicionarParametro(PWINFO_MERCHADDDATA4, "OvraTEFPGWebAPI 1.0.1");
    if (ExibicaoQRCode == qreExibirNoCheckOut)
        AdicionarParametro(PWINFO_DSPQRPREF, "2");
    else if (ExibicaoQRCode == qreExibirNoPinPad)
        AdicionarParametro(PWINFO_DSPQRPREF, "1");
}

void TOvraTEFPGWebAPI::AdicionarParametro(const std::string& AKeyValueStr) {
    const std::size_t igual = AKeyValueStr.find('=');
    if (igual == std::string::npos)
        return;
    const auto codigo = platform::ParseInt32(std::string_view(AKeyValueStr).substr(0, igual));
    if (!codigo || *codigo < 0 || *codigo > 0xFFFF)
        return;
    AdicionarParametro(static_cast<std::uint16_t>(*codigo), AKeyValueStr.substr(igual + 1));
}

void TOvraTEFPGWebAPI::AdicionarParametro(std::uint16_t iINFO, const std::string& AValor, bool Oculto) {
    const Funcoes& f = Biblioteca();
    if (Oculto)
        fpCodigosOcultos.insert(iINFO);
    const std::string valorLog = ValorParaLog(iINFO, AValor);
    GravarLog("PW_iAddParam( " + PWINFOParaString(iINFO) + ", " + valorLog + " )");
    const std::int16_t ret = f.PW_iAddParam(iINFO, platform::Utf8ToAnsi(AValor).c_str());
    GravarLog("  " + PWRETParaString(ret));
    if (ret == PWRET_OK)
        return;
    switch (ret) {
    case PWRET_INVPARAM:
        DoException("Valor " + valorLog + " Inválido para parâmetro " + PWINFOParaString(iINFO));
        break;
    case PWRET_NOTINST:
        DoException("É necessário efetuar uma transação de Instalação");
        break;
    case PWRET_TRNNOTINIT:
        DoException("Não foi iniciada uma Transação");
        break;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    default:
        break;
    }
    ErroDaBiblioteca(ret);
}

bool TOvraTEFPGWebAPI::ExecutarTransacao() {
    GravarLog("TOvraTEFPGWebAPI.ExecutarTransacao");
    fpUltimoQRCode.clear();
    fpPinPadUsado = false;
    std::int16_t ret = PWRET_CANCEL;
    std::string erro;

    try {
        const std::string processando = platform::Trim(ObterInfo(PWINFO_PROCESSMSG));
        if (!processando.empty())
            ExibirMensagem(processando, tmCliente, -1);

        const Funcoes& f = Biblioteca();
        ret = PWRET_OK;
        while (ret == PWRET_OK || ret == PWRET_NOTHING || ret == PWRET_MOREDATA) {
            std::int16_t quantidade = 10;
            GravarLog("PW_iExecTransac()");
            ret = f.PW_iExecTransac(fpRegistros.get(), &quantidade);
            GravarLog("  " + PWRETParaString(ret) + ", NumParams: " + std::to_string(quantidade));
            if (ret == PWRET_OK)
                break;
            if (ret == PWRET_NOTHING)
                Relogio().Dormir(EsperaPoll);
            else if (ret == PWRET_MOREDATA) {
                // Never more records than the array holds, whatever count the library wrote back.
                const auto n = static_cast<std::size_t>(std::clamp<int>(quantidade, 0, NumRegistros));
                // A menu can hold no more options than its arrays; a larger count would read past them.
                for (std::size_t i = 0; i < n; ++i)
                    fpRegistros[i].bNumOpcoesMenu = std::min<std::uint8_t>(fpRegistros[i].bNumOpcoesMenu, 40);
                ret = ObterDados(std::span<PW_GetData>(fpRegistros.get(), n));
            }
        }

        if (!fpUltimoQRCode.empty()) {
            fpUltimoQRCode.clear();
            ExibirQRCode("");
        }

        switch (ret) {
        case PWRET_OK:
            break;
        case PWRET_NOMANDATORY:
            erro = "Parâmetros obrigatórios não informados";
            break;
        case PWRET_DLLNOTINIT:
            erro = "Biblioteca PGWebLib não foi inicializada";
            break;
        case PWRET_NOTINST:
            erro = "É necessário efetuar uma transação de Instalação";
            break;
        case PWRET_CANCEL:
            erro = ObterInfo(PWINFO_CNCDSPMSG);
            break;
        case PWRET_TRNNOTINIT:
            erro = "Não foi iniciada uma Transação";
            break;
        default:
            erro = ObterInfo(PWINFO_RESULTMSG);
            break;
        }
    } catch (const std::exception& e) {
        erro = e.what();
    }

    // From here on nothing escapes: the caller gets a result, never an exception.
    auto semFalhar = [this](auto&& passo) {
        try {
            passo();
        } catch (const std::exception& e) {
            GravarLog(std::string("  ") + e.what());
        }
    };

    if (!platform::Trim(erro).empty()) {
        semFalhar([&] { ExibirMensagem(erro, tmOperador, 5000); });
        semFalhar([&] {
            const std::string mensagemPinPad = ObterInfo(PWINFO_CNCPPMSG);
            if (mensagemPinPad.empty())
                return;
            GravarLog("xPW_iPPDisplay( " + mensagemPinPad + " )");
            const std::int16_t r = Biblioteca().PW_iPPDisplay(platform::Utf8ToAnsi(mensagemPinPad).c_str());
            GravarLog("  " + PWRETParaString(r));
        });
        semFalhar([&] { EstornarTransacaoEmAndamento(); });
        if (ret == PWRET_OK)
            ret = PWRET_INVCALL;
    }

    // A QR code still on show (an error cut the run short) comes off whatever happened.
    if (!fpUltimoQRCode.empty()) {
        fpUltimoQRCode.clear();
        semFalhar([&] { ExibirQRCode(""); });
    }
    semFalhar([&] { ObterDadosDaTransacao(); });
    fpDadosDaTransacao.SetValueInfo(PWINFO_RET, std::to_string(ret));
    semFalhar([&] { SetEmTransacao(false); });
    fpEmTransacao = false;

    if (ret == PWRET_FROMHOSTPENDTRN)
        semFalhar([&] { TratarTransacaoPendente(); });
    return ret == PWRET_OK;
}

// ---------------------------------------------------------------------------------------------
// Data capture

namespace {

// Puts a text into a fixed field of a record, cut to leave room for its NUL.
template <std::size_t N> void Escrever(char (&campo)[N], const std::string& texto) {
    const std::string ansi = platform::Utf8ToAnsi(texto);
    const std::size_t n = std::min(ansi.size(), N - 1);
    std::memcpy(campo, ansi.data(), n);
    campo[n] = '\0';
}

// The messages of ours for a refused answer whose field brought none.
constexpr const char* MsgDadoInvalido = "Dado inválido";
constexpr const char* MsgDadoVazio = "Informe um valor";
constexpr const char* MsgDadoMaiorPadrao = "Valor acima do máximo permitido";
constexpr const char* MsgDadoMenorPadrao = "Valor abaixo do mínimo permitido";
constexpr const char* MsgDigitacoesDiferentes = "Os valores digitados não conferem";

std::string OuPadrao(const std::string& mensagem, const char* padrao) {
    const std::string m = platform::Trim(mensagem);
    return m.empty() ? std::string(padrao) : m;
}

bool DataValida(int ano, int mes, int dia) {
    return platform::EncodeDate(ano, mes, dia).has_value();
}

} // namespace

TOvraTEFPGWebAPIDefinicaoCampo OvraDefinicaoCampo(const PW_GetData& registro) {
    TOvraTEFPGWebAPIDefinicaoCampo d;
    d.Titulo = platform::Trim(OvraPWTexto(registro.szPrompt));
    d.MascaraDeCaptura = platform::Trim(OvraPWTexto(registro.szMascaraDeCaptura));
    d.TiposEntradaPermitidos = std::min<std::uint8_t>(registro.bTiposEntradaPermitidos, PWTYP_AlfaNumEsp);
    d.TamanhoMinimo = registro.bTamanhoMinimo;
    d.TamanhoMaximo = registro.bTamanhoMaximo;
    d.ValorMinimo = registro.ulValorMinimo;
    d.ValorMaximo = registro.ulValorMaximo;
    d.OcultarDadosDigitados = registro.bOcultarDadosDigitados == 1;
    d.ValidacaoDado =
        registro.bValidacaoDado > PWVAL_DuplaDigitacao ? PWVAL_Nenhuma : registro.bValidacaoDado;
    d.AceitaNulo = registro.bAceitaNulo == 1;
    d.ValorInicial = platform::Trim(OvraPWTexto(registro.szValorInicial));
    d.bTeclasDeAtalho = registro.bTeclasDeAtalho == 1;
    d.MsgValidacao = platform::Trim(OvraPWTexto(registro.szMsgValidacao));
    d.MsgConfirmacao = platform::Trim(OvraPWTexto(registro.szMsgConfirmacao));
    d.MsgDadoMaior = platform::Trim(OvraPWTexto(registro.szMsgDadoMaior));
    d.MsgDadoMenor = platform::Trim(OvraPWTexto(registro.szMsgDadoMenor));
    d.TipoEntradaCodigoBarras = registro.bTipoEntradaCodigoBarras;
    d.OmiteMsgAlerta = registro.bOmiteMsgAlerta == 1;
    const bool gerente = registro.wIdentificador == PWINFO_AUTHMNGTUSER;
    if (gerente || registro.wIdentificador == PWINFO_AUTHTECHUSER) {
        d.ValidacaoDado = gerente ? 100 : 101;
        d.TiposEntradaPermitidos = PWTYP_AlfaNumEsp;
        d.OcultarDadosDigitados = true;
        if (d.Titulo.empty())
            d.Titulo = gerente ? "INFORME A SENHA DO GERENTE" : "INFORME A SENHA TÉCNICA";
    }
    return d;
}

std::string OvraValidarRespostaCampo(const TOvraTEFPGWebAPIDefinicaoCampo& definicao, std::string& resposta,
                                     int anoAtual) {
    const std::string invalido = OuPadrao(definicao.MsgValidacao, MsgDadoInvalido);
    switch (definicao.ValidacaoDado) {
    case PWVAL_Modulo10:
        resposta = OvraSoDigitos(resposta);
        return OvraValidarModulo10(resposta) ? std::string() : invalido;
    case PWVAL_CPF_CNPJ:
        resposta = OvraSoDigitos(resposta);
        return OvraValidarCPFouCNPJ(resposta) ? std::string() : invalido;
    case PWVAL_MMAA: {
        resposta = OvraSoDigitos(resposta);
        if (resposta.size() != 4)
            return invalido;
        const int mes = std::stoi(resposta.substr(0, 2)), ano = std::stoi(resposta.substr(2, 2));
        return DataValida(anoAtual / 100 * 100 + ano, mes, 1) ? std::string() : invalido;
    }
    case PWVAL_DDMMAA: {
        resposta = OvraSoDigitos(resposta);
        if (resposta.size() != 6)
            return invalido;
        const int dia = std::stoi(resposta.substr(0, 2)), mes = std::stoi(resposta.substr(2, 2)),
                  ano = std::stoi(resposta.substr(4, 2));
        return DataValida(anoAtual / 100 * 100 + ano, mes, dia) ? std::string() : invalido;
    }
    case PWVAL_NaoVazio:
        if (resposta.empty())
            return OuPadrao(definicao.MsgValidacao, MsgDadoVazio);
        break;
    default:
        break;
    }
    if (definicao.TiposEntradaPermitidos == PWTYP_Numerico) {
        const std::int64_t numero = platform::ParseInt64(resposta).value_or(-1);
        if (definicao.ValorMaximo > 0 && numero > static_cast<std::int64_t>(definicao.ValorMaximo))
            return OuPadrao(definicao.MsgDadoMaior, MsgDadoMaiorPadrao);
        if (definicao.ValorMinimo > 0 && numero < static_cast<std::int64_t>(definicao.ValorMinimo))
            return OuPadrao(definicao.MsgDadoMenor, MsgDadoMenorPadrao);
    }
    return {};
}

std::int16_t TOvraTEFPGWebAPI::ObterDados(std::span<PW_GetData> registros) {
    GravarLog("TOvraTEFPGWebAPI.ObterDados( " + std::to_string(registros.size()) + " )");
    std::int16_t ret = PWRET_OK;
    for (std::size_t i = 0; i < registros.size() && ret == PWRET_OK; ++i) {
        const PW_GetData& registro = registros[i];
        GravarLogRegistro(i, registro);
        if (PreencherDaConfiguracao(registro))
            continue;
        const std::string previa = platform::Trim(OvraPWTexto(registro.szMsgPrevia));
        if (!previa.empty())
            ExibirMensagem(previa, tmOperador, 5000);
        const int vezes = std::max<int>(registro.bNumeroCapturas, 1);
        for (int vez = 0; vez < vezes && ret == PWRET_OK; ++vez)
            ret = ServirRegistro(static_cast<std::uint16_t>(i), registro);
    }
    return ret;
}

std::int16_t TOvraTEFPGWebAPI::ServirRegistro(std::uint16_t indice, const PW_GetData& registro) {
    switch (registro.bTipoDeDado) {
    case 0:
        return PWRET_OK;
    case PWDAT_MENU:
        return CapturarMenu(registro);
    case PWDAT_TYPED:
    case PWDAT_USERAUTH: {
        std::string resposta;
        if (!DialogoCampo(registro, resposta))
            return PWRET_CANCEL;
        if (registro.wIdentificador == PWINFO_MERCHCNPJCPF)
            resposta = OvraSoDigitos(resposta);
        AdicionarParametro(registro.wIdentificador, resposta,
                           OvraDefinicaoCampo(registro).OcultarDadosDigitados);
        return PWRET_OK;
    }
    case PWDAT_CARDINF:
        return CapturarCartao(indice, registro);
    case PWDAT_PPENTRY:
        return OperacaoPinPad(indice, ppGetData);
    case PWDAT_PPENCPIN:
        return OperacaoPinPad(indice, ppGetPIN);
    case PWDAT_CARDOFF:
        return OperacaoPinPad(indice, ppGoOnChip);
    case PWDAT_CARDONL:
        return OperacaoPinPad(indice, ppFinishChip);
    case PWDAT_PPCONF:
        return OperacaoPinPad(indice, ppConfirmData);
    case PWDAT_BARCODE:
        return CapturarCodigoDeBarras(registro);
    case PWDAT_PPREMCRD:
        if (fpPinPadUsado) {
            ExibirMensagem("REMOVER O CARTAO", tmTodas, -1);
            fpPinPadUsado = false;
        }
        return OperacaoPinPad(indice, ppRemoveCard);
    case PWDAT_PPGENCMD:
        return OperacaoPinPad(indice, ppGenericCMD);
    case PWDAT_PPDATAPOSCNF:
        return OperacaoPinPad(indice, ppDataConfirmation);
    case PWDAT_DSPCHECKOUT:
        return ExibirCheckout(registro, false);
    case PWDAT_TSTKEY:
        return OperacaoPinPad(indice, ppTestKey);
    case PWDAT_DSPQRCODE:
        return ExibirCheckout(registro, true);
    default:
        break;
    }
    DoException("Não sei tratar Tipo de Dado: " + std::to_string(registro.bTipoDeDado));
    return PWRET_CANCEL; // not reached
}

bool TOvraTEFPGWebAPI::PreencherDaConfiguracao(const PW_GetData& registro) {
    if (registro.bTipoDeDado != PWDAT_MENU && registro.bTipoDeDado != PWDAT_TYPED &&
        registro.bTipoDeDado != PWDAT_USERAUTH)
        return false;
    const std::uint16_t info = registro.wIdentificador;
    const std::string nome = std::to_string(info);
    std::string valor;
    const int i = fpParametrosAdicionais.IndexOfName(nome);
    if (i >= 0) {
        const std::string& linha = fpParametrosAdicionais[i];
        if (linha.find('=') == std::string::npos)
            DoException("ParametrosAdicionais: Valor " + linha + " é inválido para " +
                        PWINFOParaString(info));
        valor = fpParametrosAdicionais.ValueFromIndex(i);
    } else {
        switch (info) {
        case PWINFO_POSID:
            valor = fpPontoCaptura;
            break;
        case PWINFO_DESTTCPIP:
            if (!fpEnderecoIP.empty()) {
                if (fpPortaTCP.empty())
                    fpPortaTCP = "17502";
                valor = fpEnderecoIP + ":" + fpPortaTCP;
            }
            break;
        case PWINFO_MERCHCNPJCPF:
            valor = OvraSoDigitos(fpCNPJEstabelecimento);
            break;
        case PWINFO_MERCHNAMEPDC:
            valor = fpNomeEstabelecimento;
            break;
        case PWINFO_USINGPINPAD:
            valor = PortaPinPad >= 0 ? "1" : "0";
            break;
        case PWINFO_PPCOMMPORT:
            valor = std::to_string(PortaPinPad);
            break;
        default:
            break;
        }
    }
    if (valor.empty())
        return false;
    GravarLog("  ParametrosAdicionais");
    if (registro.bNumOpcoesMenu > 0) {
        bool achou = false;
        for (std::size_t k = 0; k < registro.bNumOpcoesMenu && k < 40 && !achou; ++k)
            achou = OvraPWTexto(registro.vszValorMenu[k]) == valor;
        if (!achou)
            DoException("ParametrosAdicionais: Valor " + valor + " é inválido para " +
                        PWINFOParaString(info));
    }
    AdicionarParametro(info, valor);
    return true;
}

std::int16_t TOvraTEFPGWebAPI::CapturarMenu(const PW_GetData& registro) {
    const std::size_t n = std::min<std::size_t>(registro.bNumOpcoesMenu, 40);
    std::vector<std::string> opcoes;
    for (std::size_t k = 0; k < n; ++k) {
        std::string texto = platform::Trim(OvraPWTexto(registro.vszTextoMenu[k]));
        if (registro.bTeclasDeAtalho == 1)
            texto = std::to_string(k + 1) + " - " + texto;
        opcoes.push_back(std::move(texto));
    }
    const std::string titulo = platform::Trim(OvraPWTexto(registro.szPrompt));
    int item = registro.bItemInicial;
    bool cancelado = false;
    GravarLog("  OnExibeMenu( " + titulo + " )");
    if (OnExibeMenu)
        OnExibeMenu(titulo, opcoes, item, cancelado);
    GravarLog("    Resposta: " + std::to_string(item) + ", Cancelado: " + Booleano(cancelado));
    if (cancelado || item < 0 || static_cast<std::size_t>(item) >= n)
        return PWRET_CANCEL;
    AdicionarParametro(registro.wIdentificador, OvraPWTexto(registro.vszValorMenu[item]));
    return PWRET_OK;
}

bool TOvraTEFPGWebAPI::DialogoCampo(const PW_GetData& registro, std::string& resposta) {
    const TOvraTEFPGWebAPIDefinicaoCampo original = OvraDefinicaoCampo(registro);
    TOvraTEFPGWebAPIDefinicaoCampo definicao = original;
    const bool duplaDigitacao = definicao.ValidacaoDado == PWVAL_DuplaDigitacao;
    std::optional<std::string> primeira;
    resposta = definicao.ValorInicial;
    bool validado = false, cancelado = false;
    while (!validado && !cancelado) {
        GravarLog("  OnObtemCampo");
        // Nobody to ask is nobody to answer: asking again would never end.
        if (!OnObtemCampo)
            cancelado = true;
        else
            OnObtemCampo(definicao, resposta, validado, cancelado);
        const std::string respostaLog = definicao.OcultarDadosDigitados
                                            ? std::string(resposta.size(), '*')
                                            : ValorParaLog(registro.wIdentificador, resposta);
        GravarLog("    Resposta: " + respostaLog + ", Valido: " + Booleano(validado) +
                  ", Cancelado: " + Booleano(cancelado));
        // The application checked the answer itself, or gave up.
        if (validado || cancelado)
            break;
        resposta = platform::Trim(resposta);
        std::string mensagem;
        if (duplaDigitacao) {
            if (!primeira) {
                primeira = resposta;
                definicao.Titulo = definicao.MsgConfirmacao;
                resposta = definicao.ValorInicial;
                continue;
            }
            if (resposta != *primeira) {
                mensagem = OuPadrao(definicao.MsgValidacao, MsgDigitacoesDiferentes);
                // Both entries are asked again: which of the two was mistyped nobody knows.
                primeira.reset();
                definicao.Titulo = original.Titulo;
            }
        } else {
            mensagem = OvraValidarRespostaCampo(definicao, resposta,
                                                platform::DecodeDateTime(Relogio().Agora()).ano);
        }
        validado = mensagem.empty();
        if (!validado) {
            if (!definicao.OmiteMsgAlerta)
                ExibirMensagem(mensagem, tmOperador, 5000);
            resposta = definicao.ValorInicial;
        }
    }
    return !cancelado;
}

std::int16_t TOvraTEFPGWebAPI::CapturarCartao(std::uint16_t indice, const PW_GetData& registro) {
    if (registro.ulTipoEntradaCartao == 1)
        return CapturarCartaoDigitado(registro);
    const std::int16_t ret = OperacaoPinPad(indice, ppGetCard);
    const bool digitar = ret == PWRET_FALLBACK || (registro.ulTipoEntradaCartao != 2 && ret == PWRET_CANCEL &&
                                                   PerguntarCartaoDigitadoAposCancelarLeitura);
    return digitar ? CapturarCartaoDigitado(registro) : ret;
}

std::int16_t TOvraTEFPGWebAPI::CapturarCartaoDigitado(const PW_GetData& registro) {
    auto campo = std::make_unique<PW_GetData>(registro);
    if (campo->bTiposEntradaPermitidos == 0)
        campo->bTiposEntradaPermitidos = PWTYP_Numerico;
    std::string numero;
    if (!DialogoCampo(*campo, numero))
        return PWRET_CANCEL;
    AdicionarParametro(PWINFO_CARDFULLPAN, numero);
    if (registro.bCapturarDataVencCartao == 0) {
        Escrever(campo->szPrompt, "VENCIMENTO CARTAO");
        Escrever(campo->szMascaraDeCaptura, "@@/@@");
        campo->bValidacaoDado = PWVAL_MMAA;
        Escrever(campo->szValorInicial, "");
        std::string vencimento;
        if (!DialogoCampo(*campo, vencimento))
            return PWRET_CANCEL;
        AdicionarParametro(PWINFO_CARDEXPDATE, vencimento);
    }
    return PWRET_OK;
}

std::int16_t TOvraTEFPGWebAPI::CapturarCodigoDeBarras(const PW_GetData& registro) {
    std::string codigo;
    if (!DialogoCampo(registro, codigo))
        return PWRET_CANCEL;
    AdicionarParametro(PWINFO_BARCODE, codigo);
    AdicionarParametro(PWINFO_BARCODENTMODE, std::to_string(registro.bTipoEntradaCodigoBarras));
    return PWRET_OK;
}

std::int16_t TOvraTEFPGWebAPI::OperacaoPinPad(std::uint16_t indice, TOvraTEFPGWebAPIOperacaoPinPad operacao) {
    const Funcoes& f = Biblioteca();
    fpPinPadUsado = true;
    std::int16_t ret = PWRET_CANCEL;
    const std::string argumento = "( " + std::to_string(indice) + " )";
    bool disponivel = true;
    auto iniciar = [&](const char* nome, TPW_iPPIndice funcao) {
        GravarLog(std::string(nome) + argumento);
        disponivel = funcao != nullptr;
        if (disponivel)
            ret = funcao(indice);
        else
            GravarLog(std::string("  Função não encontrada: ") + nome);
    };
    switch (operacao) {
    case ppGetCard:
        iniciar("PW_iPPGetCard", f.PW_iPPGetCard);
        break;
    case ppGetPIN:
        iniciar("PW_iPPGetPIN", f.PW_iPPGetPIN);
        break;
    case ppGetData:
        iniciar("PW_iPPGetData", f.PW_iPPGetData);
        break;
    case ppGoOnChip:
        iniciar("PW_iPPGoOnChip", f.PW_iPPGoOnChip);
        break;
    case ppFinishChip:
        iniciar("PW_iPPFinishChip", f.PW_iPPFinishChip);
        break;
    case ppConfirmData:
        iniciar("PW_iPPConfirmData", f.PW_iPPConfirmData);
        break;
    case ppGenericCMD:
        iniciar("PW_iPPGenericCMD", f.PW_iPPGenericCMD);
        break;
    case ppDataConfirmation:
        iniciar("PW_iPPDataConfirmation", f.PW_iPPDataConfirmation);
        break;
    case ppTestKey:
        iniciar("PW_iPPTestKey", f.PW_iPPTestKey);
        break;
    case ppRemoveCard:
        GravarLog("PW_iPPRemoveCard");
        ret = f.PW_iPPRemoveCard();
        break;
    default:
        break;
    }
    // An older library without the entry: the capture cannot be done, and no message of the library
    // is about it.
    if (!disponivel)
        return ret;
    GravarLog("  " + PWRETParaString(ret));
    switch (ret) {
    case PWRET_OK:
        return LacoDeEventosPinPad(operacao);
    case PWRET_INVPARAM:
        DoException("O valor de uiIndex informado não corresponde a uma captura de dados deste tipo.");
        break;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    default:
        DoException(platform::Trim(ObterInfo(PWINFO_RESULTMSG)));
        break;
    }
    return ret;
}

std::int16_t TOvraTEFPGWebAPI::LacoDeEventosPinPad(TOvraTEFPGWebAPIOperacaoPinPad operacao) {
    const Funcoes& f = Biblioteca();
    std::vector<char> buffer(TamanhoDisplay + 1, '\0');
    bool cancelar = false;
    while (!cancelar) {
        GravarLog("PW_iPPEventLoop");
        std::fill(buffer.begin(), buffer.end(), '\0');
        const std::int16_t ret = f.PW_iPPEventLoop(buffer.data(), TamanhoDisplay);
        GravarLog("  " + PWRETParaString(ret));
        switch (ret) {
        case PWRET_OK:
        case PWRET_CANCEL:
        case PWRET_TIMEOUT:
        case PWRET_FALLBACK:
            return ret;
        case PWRET_DISPLAY:
            ExibirMensagem(platform::AnsiToUtf8(DoBuffer(buffer.data(), TamanhoDisplay)), tmTodas, -1);
            break;
        case PWRET_NOTHING:
            Relogio().Dormir(EsperaPoll);
            break;
        case PWRET_INVCALL:
            DoException("Não há captura de dados no PIN-pad em curso.");
            break;
        case PWRET_DLLNOTINIT:
            DoException("Biblioteca PGWebLib não foi inicializada");
            break;
        case PWRET_PPCOMERR:
            DoException("Falha na comunicação com o PIN-pad.");
            break;
        default:
            ErroDaBiblioteca(ret);
        }
        AguardarPinPad(operacao, cancelar);
    }
    return AbortarTransacao();
}

std::int16_t TOvraTEFPGWebAPI::ExibirCheckout(const PW_GetData& registro, bool qrCode) {
    if (qrCode) {
        const std::string dados = ObterInfo(PWINFO_AUTHPOSQRCODE);
        if (dados != fpUltimoQRCode) {
            fpUltimoQRCode = dados;
            ExibirQRCode(dados);
        }
    }
    const std::string prompt = platform::Trim(OvraPWTexto(registro.szPrompt));
    if (!prompt.empty())
        ExibirMensagem(prompt, tmCliente, -1);
    bool cancelar = false;
    AguardarPinPad(ppLerQRCode, cancelar);
    if (cancelar)
        return AbortarTransacao();
    AdicionarParametro(registro.wIdentificador, "");
    return PWRET_OK;
}

void TOvraTEFPGWebAPI::GravarLogRegistro(std::size_t indice, const PW_GetData& r) {
    auto texto = [&](const char* nome, const std::string& valor) {
        GravarLog(std::string("    ") + nome + ": " + valor);
    };
    auto numero = [&](const char* nome, std::uint64_t valor) { texto(nome, std::to_string(valor)); };
    GravarLog("  Registro: " + std::to_string(indice));
    texto("wIdentificador", PWINFOParaString(r.wIdentificador));
    texto("bTipoDeDado", PWDATParaString(r.bTipoDeDado));
    texto("szPrompt", OvraPWTexto(r.szPrompt));
    numero("bNumOpcoesMenu", r.bNumOpcoesMenu);
    for (std::size_t k = 0; k < std::min<std::size_t>(r.bNumOpcoesMenu, 40); ++k)
        texto("vszTextoMenu/vszValorMenu",
              OvraPWTexto(r.vszTextoMenu[k]) + " / " + OvraPWTexto(r.vszValorMenu[k]));
    texto("szMascaraDeCaptura", OvraPWTexto(r.szMascaraDeCaptura));
    texto("bTiposEntradaPermitidos", PWTYPParaString(r.bTiposEntradaPermitidos));
    numero("bTamanhoMinimo", r.bTamanhoMinimo);
    numero("bTamanhoMaximo", r.bTamanhoMaximo);
    numero("ulValorMinimo", r.ulValorMinimo);
    numero("ulValorMaximo", r.ulValorMaximo);
    numero("bOcultarDadosDigitados", r.bOcultarDadosDigitados);
    texto("bValidacaoDado", PWVALParaString(r.bValidacaoDado));
    numero("bAceitaNulo", r.bAceitaNulo);
    // An initial value of a hidden field is as secret as what is typed over it.
    texto("szValorInicial", r.bOcultarDadosDigitados == 1
                                ? std::string(OvraPWTexto(r.szValorInicial).size(), '*')
                                : ValorParaLog(r.wIdentificador, OvraPWTexto(r.szValorInicial)));
    numero("bTeclasDeAtalho", r.bTeclasDeAtalho);
    texto("szMsgValidacao", OvraPWTexto(r.szMsgValidacao));
    texto("szMsgConfirmacao", OvraPWTexto(r.szMsgConfirmacao));
    texto("szMsgDadoMaior", OvraPWTexto(r.szMsgDadoMaior));
    texto("szMsgDadoMenor", OvraPWTexto(r.szMsgDadoMenor));
    numero("bCapturarDataVencCartao", r.bCapturarDataVencCartao);
    numero("ulTipoEntradaCartao", r.ulTipoEntradaCartao);
    numero("bItemInicial", r.bItemInicial);
    numero("bNumeroCapturas", r.bNumeroCapturas);
    texto("szMsgPrevia", OvraPWTexto(r.szMsgPrevia));
    numero("bTipoEntradaCodigoBarras", r.bTipoEntradaCodigoBarras);
    numero("bOmiteMsgAlerta", r.bOmiteMsgAlerta);
    numero("bIniciaPelaEsquerda", r.bIniciaPelaEsquerda);
    numero("bNotificarCancelamento", r.bNotificarCancelamento);
    numero("bAlinhaPelaDireita", r.bAlinhaPelaDireita);
}

void TOvraTEFPGWebAPI::ObterDadosDaTransacao() {
    GravarLog("TOvraTEFPGWebAPI.ObterDadosDaTransacao");
    fpDadosDaTransacao.Clear();
    const Funcoes& f = Biblioteca();
    std::vector<char> buffer(TamanhoResultado + 1);
    std::optional<std::string> idle;
    for (std::uint32_t codigo = 2; codigo <= PWINFO_UNIQUEID; ++codigo) {
        const auto info = static_cast<std::uint16_t>(codigo);
        if (info == PWINFO_PPINFO || !PWINFONomeado(info))
            continue;
        std::fill(buffer.begin(), buffer.end(), '\0');
        const std::int16_t ret = f.PW_iGetResult(info, buffer.data(), TamanhoResultado);
        if (ret != PWRET_OK)
            continue;
        const std::string valor = DoBuffer(buffer.data(), TamanhoResultado);
        const std::string escapado = platform::EscapeBinary(valor);
        GravarLog("  " + PWINFOParaString(info) + "=" + ValorParaLog(info, escapado));
        fpDadosDaTransacao.Add(std::to_string(codigo) + "=" + escapado);
        if (info == PWINFO_IDLEPROCTIME)
            idle = valor;
    }
    if (idle)
        AgendarIdle(idle);
}

std::string TOvraTEFPGWebAPI::ObterInfo(std::uint16_t iINFO) {
    Carregar();
    std::vector<char> buffer(TamanhoResultado + 1, '\0');
    GravarLog("PW_iGetResult( " + PWINFOParaString(iINFO) + " )");
    const std::int16_t ret = fpFuncoes->PW_iGetResult(iINFO, buffer.data(), TamanhoResultado);
    const std::string valor = ret == PWRET_OK ? DoBuffer(buffer.data(), TamanhoResultado) : std::string();
    GravarLog("  " + PWRETParaString(ret) + ", " + ValorParaLog(iINFO, platform::ToLogText(valor)));
    switch (ret) {
    case PWRET_OK:
        return platform::AnsiToUtf8(valor);
    case PWRET_NODATA:
        return {};
    case PWRET_NOTINST:
        DoException("É necessário efetuar uma transação de Instalação");
        break;
    case PWRET_BUFOVFLW:
        DoException("O valor da informação solicitada não cabe no Buffer alocado");
        break;
    case PWRET_TRNNOTINIT:
        DoException("Não foi iniciada uma Transação");
        break;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    default:
        DoException(PWRETParaString(ret));
        break;
    }
    return {};
}

void TOvraTEFPGWebAPI::FinalizarTransacao(std::uint32_t Status, const std::string& pszReqNum,
                                          const std::string& pszLocRef, const std::string& pszExtRef,
                                          const std::string& pszVirtMerch, const std::string& pszAuthSyst) {
    const Funcoes& f = Biblioteca();
    GravarLog("PW_iConfirmation( " + PWCNFParaString(Status) + ", " + pszReqNum + ", " + pszLocRef + ", " +
              pszExtRef + ", " + pszVirtMerch + ", " + pszAuthSyst + " ) ");
    const std::int16_t ret = f.PW_iConfirmation(
        Status, platform::Utf8ToAnsi(pszReqNum).c_str(), platform::Utf8ToAnsi(pszLocRef).c_str(),
        platform::Utf8ToAnsi(pszExtRef).c_str(), platform::Utf8ToAnsi(pszVirtMerch).c_str(),
        platform::Utf8ToAnsi(pszAuthSyst).c_str());
    GravarLog("  " + PWRETParaString(ret));
    switch (ret) {
    case PWRET_OK:
        return;
    case PWRET_NOTINST:
        DoException("É necessário efetuar uma transação de Instalação");
        break;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    case PWRET_INVALIDTRN:
        DoException("A transação informada para confirmação não existe ou já foi confirmada anteriormente");
        break;
    default:
        break;
    }
    ErroDaBiblioteca(ret);
}

void TOvraTEFPGWebAPI::EstornarTransacaoEmAndamento() {
    GravarLog("TOvraTEFPGWebAPI.EstornarTransacaoEmAndamento");
    if (!fpEmTransacao)
        return;
    if (platform::Trim(ObterInfo(PWINFO_CNFREQ)) != "1")
        return;
    const std::string reqNum = platform::Trim(ObterInfo(PWINFO_REQNUM));
    const std::string locRef = platform::Trim(ObterInfo(PWINFO_AUTLOCREF));
    const std::string extRef = platform::Trim(ObterInfo(PWINFO_AUTEXTREF));
    const std::string virtMerch = platform::Trim(ObterInfo(PWINFO_VIRTMERCH));
    const std::string authSyst = platform::Trim(ObterInfo(PWINFO_AUTHSYST));
    FinalizarTransacao(PWCNF_REV_ABORT, reqNum, locRef, extRef, virtMerch, authSyst);
}

void TOvraTEFPGWebAPI::TratarTransacaoPendente() {
    auto valor = [this](std::uint16_t iINFO) {
        std::string v = TextoDosDados(iINFO);
        if (v.empty())
            v = platform::Trim(ObterInfo(iINFO));
        return v;
    };
    const std::string reqNum = valor(PWINFO_PNDREQNUM);
    const std::string locRef = valor(PWINFO_PNDAUTLOCREF);
    const std::string extRef = valor(PWINFO_PNDAUTEXTREF);
    const std::string virtMerch = valor(PWINFO_PNDVIRTMERCH);
    const std::string authSyst = valor(PWINFO_PNDAUTHSYST);

    std::uint32_t status = PWCNF_CNF_MANU_AUT;
    if (OnAvaliarTransacaoPendente)
        OnAvaliarTransacaoPendente(status, reqNum, locRef, extRef, virtMerch, authSyst);
    else if (!ConfirmarTransacoesPendentesNoHost)
        status = PWCNF_REV_MANU_AUT;
    if (status == 0)
        return;
    FinalizarTransacao(status, reqNum, locRef, extRef, virtMerch, authSyst);
}

std::int16_t TOvraTEFPGWebAPI::AbortarTransacao() {
    const Funcoes& f = Biblioteca();
    GravarLog("PW_iPPAbort");
    const std::int16_t ret = f.PW_iPPAbort();
    GravarLog("  " + PWRETParaString(ret));
    switch (ret) {
    case PWRET_OK:
        return PWRET_CANCEL;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    case PWRET_PPCOMERR:
        DoException("Falha na comunicação com o PIN-pad.");
        break;
    default:
        break;
    }
    ErroDaBiblioteca(ret);
}

// ---------------------------------------------------------------------------------------------
// PIN-pad outside a transaction

void TOvraTEFPGWebAPI::ExibirMensagemPinPad(const std::string& MsgPinPad) {
    const Funcoes& f = Biblioteca();
    std::string texto = MsgPinPad;
    std::replace(texto.begin(), texto.end(), '|', '\r');
    GravarLog("PW_iPPDisplay( " + texto + " )", true);
    const std::int16_t ret = f.PW_iPPDisplay(platform::Utf8ToAnsi(texto).c_str());
    GravarLog("  " + PWRETParaString(ret));
    if (ret != PWRET_OK)
        ErroDaBiblioteca(ret);
}

std::string TOvraTEFPGWebAPI::ObterDadoPinPad(std::uint16_t iMessageId, std::uint8_t MinLen,
                                              std::uint8_t MaxLen, std::uint16_t TimeOutSec) {
    const Funcoes& f = Biblioteca();
    GravarLog("PW_iPPGetUserData( " + PWDPINParaString(iMessageId) + ", " + std::to_string(MinLen) + ", " +
              std::to_string(MaxLen) + ", " + std::to_string(TimeOutSec) + " )");
    f.PW_iPPAbort();
    // Room for the longest answer and its terminating NUL.
    std::vector<char> buffer(std::max<std::size_t>(50, MaxLen) + 1, '\0');
    const std::int16_t ret =
        f.PW_iPPGetUserData(iMessageId, MinLen, MaxLen, static_cast<std::int16_t>(TimeOutSec), buffer.data());
    GravarLog("  " + PWRETParaString(ret));
    switch (ret) {
    case PWRET_OK: {
        const std::string valor = DoBuffer(buffer.data(), buffer.size() - 1);
        GravarLog("    " + valor, true);
        return platform::AnsiToUtf8(valor);
    }
    case PWRET_CANCEL:
    case PWRET_TIMEOUT:
    case PWRET_PPS_CANCEL:
    case PWRET_PPS_TIMEOUT:
    case PWRET_PPS_CANCEL2:
    case PWRET_PPS_TIMEOUT2:
        return {};
    case PWRET_NOTINST:
        DoException("É necessário efetuar uma transação de Instalação");
        break;
    case PWRET_INVCALL:
        DoException("Não é possível capturar dados em um PIN-pad não ABECS");
        break;
    case PWRET_DLLNOTINIT:
        DoException("Biblioteca PGWebLib não foi inicializada");
        break;
    case PWRET_PPCOMERR:
        DoException("Falha na comunicação com o PIN-pad.");
        break;
    default:
        break;
    }
    ErroDaBiblioteca(ret);
}

std::uint8_t TOvraTEFPGWebAPI::VerificarPresencaPinPad() {
    const Funcoes& f = Biblioteca();
    if (!f.PW_iPPCommTest)
        DoException("Função PW_iPPCommTest não encontrada em: " + NomeBiblioteca());
    // The library's idle call waits while this loop talks to the PIN-pad.
    ++fpOcupado;
    struct Saida {
        TOvraTEFPGWebAPI& api;
        ~Saida() {
            --api.fpOcupado;
            if (api.fpOcupado == 0 && api.fpIdlePendente && !api.fpEmTransacao) {
                try {
                    api.ExecutarIdle();
                } catch (...) {
                }
            }
        }
    } saida{*this};

    std::vector<char> buffer(TamanhoDisplay + 1, '\0');
    for (;;) {
        std::uint8_t presente = 0;
        GravarLog("PW_iPPCommTest");
        const std::int16_t ret =
            f.PW_iPPCommTest(buffer.data(), static_cast<std::int16_t>(TamanhoDisplay), &presente);
        const std::string texto = DoBuffer(buffer.data(), TamanhoDisplay);
        GravarLog("  " + PWRETParaString(ret) + ", " + texto + ", " + std::to_string(presente));
        switch (ret) {
        case PWRET_OK:
            return presente;
        case PWRET_NOTHING:
            ExibirMensagem(platform::AnsiToUtf8(texto), tmOperador, -1);
            continue;
        case PWRET_INVPARAM:
            DoException("O valor de uiIndex informado não corresponde a uma captura de dados deste tipo.");
            break;
        case PWRET_DLLNOTINIT:
            DoException("Biblioteca PGWebLib não foi inicializada");
            break;
        default:
            break;
        }
        ErroDaBiblioteca(ret);
    }
}

// ---------------------------------------------------------------------------------------------
// Idle processing

void TOvraTEFPGWebAPI::AgendarIdle(const std::optional<std::string>& valor) {
    if (!fpInicializada)
        return;
    const platform::TDateTime agora = Relogio().Agora();
    if (!valor && agora < fpProximoIdle)
        return;
    const std::string texto = platform::Trim(valor ? *valor : ObterInfo(PWINFO_IDLEPROCTIME));
    if (texto.empty())
        return;
    if (texto.size() != 12 ||
        !std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return;
    auto campo = [&](std::size_t i) { return (texto[i] - '0') * 10 + (texto[i + 1] - '0'); };
    const int seculo = platform::DecodeDateTime(agora).ano / 100;
    const auto quando =
        platform::EncodeDateTime(seculo * 100 + campo(0), campo(2), campo(4), campo(6), campo(8), campo(10));
    if (!quando)
        return;
    if (*quando <= agora)
        ExecutarIdle();
    else if (*quando != fpProximoIdle) {
        fpTimerIdle->Parar();
        const double ms = std::round((quando->dias - agora.dias) * 86400000.0);
        fpTimerIdle->Iniciar(static_cast<std::uint32_t>(std::min<double>(ms, IntervaloIdleMaximo)));
    }
    fpProximoIdle = *quando;
}

void TOvraTEFPGWebAPI::ExecutarIdle() {
    fpTimerIdle->Parar();
    if (!fpInicializada)
        return;
    // Never in the middle of a transaction, even when a handler pumps the event loop inside one: the
    // call is kept for when the transaction ends.
    if (fpEmTransacao || fpOcupado > 0) {
        fpIdlePendente = true;
        return;
    }
    fpIdlePendente = false;
    GravarLog("PW_iIdleProc");
    const std::int16_t ret = fpFuncoes->PW_iIdleProc();
    GravarLog("  " + PWRETParaString(ret));
}

void TOvraTEFPGWebAPI::TimerDisparou() {
    auto entrega = std::make_shared<Entrega>();
    TOvraTEFPGWebAPIDespacho* despacho;
    {
        std::lock_guard trava(fpMutexEntrega);
        if (fpEncerrando || fpDespacho == nullptr)
            return;
        despacho = fpDespacho;
        fpEntrega = entrega;
    }
    despacho->Despachar([this, entrega] {
        std::lock_guard trava(entrega->mutex);
        if (!entrega->cancelada) {
            try {
                ExecutarIdle();
            } catch (...) {
                // The idle call has no one to report to; the next scheduling tries again.
            }
        }
        entrega->feita = true;
        entrega->sinal.notify_all();
    });
    {
        std::unique_lock trava(entrega->mutex);
        entrega->sinal.wait(trava, [&] { return entrega->feita || entrega->cancelada; });
    }
    std::lock_guard trava(fpMutexEntrega);
    if (fpEntrega == entrega)
        fpEntrega.reset();
}
