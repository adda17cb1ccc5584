#include "OvraDeviceLPT.h"

#include "OvraDevice.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <algorithm>

namespace {
constexpr std::size_t TamanhoPedaco = 256;
constexpr int RodadaMs = 200;
} // namespace

TOvraThreadEnviaLPT::TOvraThreadEnviaLPT(TOvraDeviceLPT* AOwner, std::string ATextoAEnviar)
    : fsTextoAEnviar(std::move(ATextoAEnviar)), fsOwner(AOwner) {
    if (AOwner == nullptr)
        throw EOvraDevice("Uso Inválido da TOvraThreadEnviaLPT");
    fsThread = std::thread([this] { Execute(); });
}

TOvraThreadEnviaLPT::~TOvraThreadEnviaLPT() {
    Terminate();
    if (fsThread.joinable())
        fsThread.join();
}

void TOvraThreadEnviaLPT::Execute() {
    try {
        for (std::size_t pos = 0; pos < fsTextoAEnviar.size() && !fsTerminar.load(); pos += TamanhoPedaco) {
            std::string pedaco = fsTextoAEnviar.substr(pos, TamanhoPedaco);
            std::size_t escritos = fsOwner->EnviaStringNormal(pedaco, &fsTerminar);
            if (escritos < pedaco.size())
                break; // asked to stop in the middle of the piece
            fsBytesSent.fetch_add(static_cast<int>(TamanhoPedaco));
        }
    } catch (...) {
        fsErro = std::current_exception();
    }
    fsTerminou.store(true);
}

void TOvraThreadEnviaLPT::WaitFor() {
    if (fsThread.joinable())
        fsThread.join();
    if (fsErro)
        std::rethrow_exception(fsErro);
}

TOvraDeviceLPT::TOvraDeviceLPT(TOvraDevice* AOwner) : TOvraDeviceClass(AOwner) {}

TOvraDeviceLPT::~TOvraDeviceLPT() = default;

std::string TOvraDeviceLPT::NomeArquivo() const {
    std::string nome = fpPorta;
    if (nome.size() >= 5 && platform::SameTextAscii(nome.substr(0, 5), "FILE:"))
        nome = nome.substr(5);
    if (Owner().DeviceType() == dtParallel)
        nome = platform::ParallelPortPath(nome);
    return nome;
}

void TOvraDeviceLPT::ErroAbrir(const std::exception& e) const {
    std::string mensagem =
        Owner().DeviceType() == dtParallel ? "Porta " + fpPorta + " não acessível" : e.what();
    if (UsarStream)
        throw EOvraDeviceStream(mensagem);
    throw EOvraDevice(mensagem);
}

void TOvraDeviceLPT::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
    std::string nome = NomeArquivo();
    GravaLog("  NomeArq: " + nome);
    try {
        if (Owner().DeviceType() == dtFile && platform::FileExists(nome)) {
            GravaLog("  DeleteFile(" + nome + ")");
            platform::DeleteFile(nome);
        }
    } catch (const std::exception& e) {
        ErroAbrir(e);
    }
    EnviaStringNormal(""); // opens and closes: a port we cannot write to fails now, not mid-receipt
}

void TOvraDeviceLPT::Desconectar(bool IgnorarErros) {
    // Every send opens and closes the file itself, so nothing is left open here.
    TOvraDeviceClass::Desconectar(IgnorarErros);
}

void TOvraDeviceLPT::EnviaString(const std::string& AString) {
    GravaLog(std::string("  TOvraDeviceLPT.EnviaString ") + (UsarThread ? " - UsarThread" : ""));
    if (UsarThread)
        EnviaStringThread(AString);
    else
        EnviaStringNormal(AString);
}

std::size_t TOvraDeviceLPT::EnviaStringNormal(const std::string& AString, const std::atomic<bool>* parar) {
    // A file port was emptied when it was activated, and the test send created it; from then on
    // every transmission is added to it. A parallel port is a device: it is simply opened.
    bool arquivo = Owner().DeviceType() == dtFile;
    platform::PortFile::Modo modo = arquivo ? platform::PortFile::Anexar : platform::PortFile::Dispositivo;
    std::error_code erro;
    platform::PortFile destino;
    destino.Open(NomeArquivo(), modo, UsarStream, erro);
    if (erro) {
        platform::PlatformError e("cannot open '" + NomeArquivo() + "': " + erro.message(), erro);
        ErroAbrir(e);
    }
    std::size_t escritos = 0;
    try {
        bool parou = false;
        EnviarEmPartes(AString, [&](const std::string& parte) {
            if (parou)
                return;
            std::size_t n = destino.Write(parte, parar);
            escritos += n;
            parou = n < parte.size();
        });
    } catch (...) {
        std::error_code ignorado;
        destino.Close(ignorado);
        throw;
    }
    destino.Close();
    return escritos;
}

void TOvraDeviceLPT::EnviaStringThread(const std::string& AString) {
    TOvraThreadEnviaLPT envio(this, AString);
    platform::Clock& relogio = platform::CurrentClock();
    // The deadline is at least one round long: otherwise a port would be given up on before the
    // first look at its progress.
    auto limite = static_cast<std::uint64_t>(std::max(GetTimeOutMilissegundos(), RodadaMs));
    int ultimoVisto = -1;
    std::uint64_t prazo = 0;
    bool esgotou = false;
    // At least one round, so that the application's messages are pumped even when the worker is
    // done before the first look.
    do {
        if (envio.BytesSent() != ultimoVisto) {
            ultimoVisto = envio.BytesSent();
            prazo = relogio.Ticks() + limite;
        }
        Owner().ProcessarMensagens();
        if (relogio.Ticks() > prazo) {
            esgotou = true;
            break;
        }
        // The round is slept in short steps, so that a send that ends is seen at once.
        for (int dormido = 0; dormido < RodadaMs && !envio.Terminou() && envio.BytesSent() == ultimoVisto;
             dormido += 10)
            relogio.Dormir(10);
    } while (!envio.Terminou());
    envio.Terminate();
    if (esgotou) {
        try {
            envio.WaitFor();
        } catch (...) {
            // The time-out is the failure to report; the worker's own error came from being stopped.
        }
        throw EOvraDevice("Erro gravando em: " + fpPorta + " ");
    }
    envio.WaitFor();
}
