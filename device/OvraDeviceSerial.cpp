#include "OvraDeviceSerial.h"

#include "OvraDevice.h"
#include "platform/Clock.h"

#include <algorithm>
#include <set>

std::string SerialParityName(TOvraSerialParity AValue) {
    switch (AValue) {
    case pOdd:
        return "pOdd";
    case pEven:
        return "pEven";
    case pMark:
        return "pMark";
    case pSpace:
        return "pSpace";
    default:
        return "pNone";
    }
}

std::string SerialStopName(TOvraSerialStop AValue) {
    switch (AValue) {
    case s1eMeio:
        return "s1eMeio";
    case s2:
        return "s2";
    default:
        return "s1";
    }
}

std::string HandShakeName(TOvraHandShake AValue) {
    switch (AValue) {
    case hsXON_XOFF:
        return "hsXON_XOFF";
    case hsRTS_CTS:
        return "hsRTS_CTS";
    case hsDTR_DSR:
        return "hsDTR_DSR";
    default:
        return "hsNenhum";
    }
}

TOvraDeviceSerial::TOvraDeviceSerial(TOvraDevice* AOwner) : TOvraDeviceClass(AOwner) {
    ValoresPadroes();
}

TOvraDeviceSerial::~TOvraDeviceSerial() {
    std::error_code ignorado;
    fsSerial.Close(ignorado);
}

void TOvraDeviceSerial::ValoresPadroes() {
    fsHardFlow = false;
    fsSoftFlow = false;
    fsHandShake = hsNenhum;
    fsParity = 'N';
    fsData = 8;
    fsBaud = 9600;
    fsStop = 0;
}

int TOvraDeviceSerial::GetMaxSendBandwidth() {
    return fsSerial.MaxBandwidth();
}

int TOvraDeviceSerial::GetTimeOutMilissegundos() {
    return fsSerial.WriteTimeout();
}

void TOvraDeviceSerial::SetMaxSendBandwidth(int AValue) {
    fsSerial.SetMaxBandwidth(AValue);
}

void TOvraDeviceSerial::SetTimeOutMilissegundos(int AValue) {
    fsSerial.SetWriteTimeout(AValue);
}

void TOvraDeviceSerial::SetBaud(int AValue) {
    if (AValue == fsBaud)
        return;
    GravaLog("SetBaud(" + std::to_string(AValue) + ")");
    if (AValue < 50 || AValue > 4000000)
        throw EOvraDevice("Valor deve estar na faixa de 50 a 4000000.\nNormalmente os equipamentos Seriais "
                          "utilizam: 9600");
    fsBaud = AValue;
    ConfigurarSerial();
}

void TOvraDeviceSerial::SetData(int AValue) {
    if (AValue == fsData)
        return;
    GravaLog("SetData(" + std::to_string(AValue) + ")");
    if (AValue < 5 || AValue > 8)
        throw EOvraDevice(
            "Valor deve estar na faixa de 5 a 8.\nNormalmente os equipamentos Seriais utilizam: 7 ou 8");
    fsData = AValue;
    ConfigurarSerial();
}

TOvraSerialParity TOvraDeviceSerial::Parity() const {
    switch (fsParity) {
    case 'O':
        return pOdd;
    case 'E':
        return pEven;
    case 'M':
        return pMark;
    case 'S':
        return pSpace;
    default:
        return pNone;
    }
}

void TOvraDeviceSerial::SetParity(TOvraSerialParity AValue) {
    if (AValue == Parity())
        return;
    GravaLog("SetParity(" + SerialParityName(AValue) + ")");
    static constexpr char letras[] = {'N', 'O', 'E', 'M', 'S'};
    fsParity = AValue >= pNone && AValue <= pSpace ? letras[AValue] : 'N';
    ConfigurarSerial();
}

TOvraSerialStop TOvraDeviceSerial::Stop() const {
    return fsStop == 1 ? s1eMeio : fsStop == 2 ? s2 : s1;
}

void TOvraDeviceSerial::SetStop(TOvraSerialStop AValue) {
    if (AValue == Stop())
        return;
    GravaLog("SetStop(" + SerialStopName(AValue) + ")");
    fsStop = AValue == s1eMeio ? 1 : AValue == s2 ? 2 : 0;
    ConfigurarSerial();
}

void TOvraDeviceSerial::SetHandShake(TOvraHandShake AValue) {
    GravaLog("SetHandShake(" + HandShakeName(AValue) + ")");
    fsHardFlow = AValue == hsRTS_CTS;
    fsSoftFlow = AValue == hsXON_XOFF;
    fsHandShake = AValue;
    ConfigurarSerial();
}

// The flags are another way of saying the handshake: setting one sets the handshake, and with it
// the other flag and the open port, so that what reads back is what the port does.
void TOvraDeviceSerial::SetHardFlow(bool AValue) {
    GravaLog(std::string("SetHardFlow(") + (AValue ? "True" : "False") + ")");
    if (AValue)
        SetHandShake(hsRTS_CTS);
    else if (fsHandShake == hsRTS_CTS)
        SetHandShake(hsNenhum);
}

void TOvraDeviceSerial::SetSoftFlow(bool AValue) {
    GravaLog(std::string("SetSoftFlow(") + (AValue ? "True" : "False") + ")");
    if (AValue)
        SetHandShake(hsXON_XOFF);
    else if (fsHandShake == hsXON_XOFF)
        SetHandShake(hsNenhum);
}

void TOvraDeviceSerial::ConfigurarSerial() {
    if (!fsSerial.IsOpen())
        return;
    GravaLog("  ConfigurarSerial");
    platform::SerialConfig config;
    config.baud = fsBaud;
    config.dataBits = fsData;
    config.parity = fsParity;
    config.stop = fsStop;
    config.softFlow = fsSoftFlow;
    config.hardFlow = fsHardFlow;
    fsSerial.Configure(config);
    if (fsHandShake == hsRTS_CTS) {
        GravaLog("  Serial.RTS");
        fsSerial.SetRTS(true);
    } else if (fsHandShake == hsDTR_DSR) {
        GravaLog("  Serial.DTR");
        fsSerial.SetDTR(true);
    }
}

std::string TOvraDeviceSerial::CaminhoDaPorta(const std::string& APorta) {
    // "\\.\COM10" is how the long COM names are written where they come from; the name after it is
    // what counts.
    std::string nome = APorta.rfind("\\\\.\\", 0) == 0 ? APorta.substr(4) : APorta;
    return platform::SerialPortPath(nome);
}

void TOvraDeviceSerial::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
    std::error_code ignorado;
    fsSerial.Close(ignorado);
    fsSerial.SetWriteTimeout(ATimeOutMilissegundos);
    try {
        fsSerial.Open(CaminhoDaPorta(APorta));
        ConfigurarSerial();
        // Nothing was sent yet, so dropping output too is safe here, and only here.
        fsSerial.Purge();
    } catch (const platform::SerialError& e) {
        fsSerial.Close(ignorado);
        if (e.PortaInexistente())
            throw EOvraDevice("Porta " + APorta + " não encontrada");
        throw EOvraDevice(e.what());
    } catch (const std::exception& e) {
        fsSerial.Close(ignorado);
        throw EOvraDevice(std::string(TOvraDevice::ErrorClassName(e)) + ": " + e.what());
    }
}

void TOvraDeviceSerial::Desconectar(bool IgnorarErros) {
    TOvraDeviceClass::Desconectar(IgnorarErros);
    if (!fsSerial.IsOpen())
        return;
    if (IgnorarErros) {
        std::error_code ignorado;
        fsSerial.Close(ignorado);
    } else {
        fsSerial.Close();
    }
}

bool TOvraDeviceSerial::EmLinha(int ATimeOutMilissegundos) {
    if (!fsSerial.IsOpen())
        return false;
    platform::Clock& relogio = platform::CurrentClock();
    std::uint64_t prazo = relogio.Ticks() + static_cast<std::uint64_t>(std::max(ATimeOutMilissegundos, 0));
    bool resposta = false;
    for (;;) {
        if (fsHandShake == hsRTS_CTS)
            resposta = fsSerial.CTS();
        else if (fsHandShake == hsDTR_DSR)
            resposta = fsSerial.DSR();
        else
            return true;
        if (resposta || relogio.Ticks() >= prazo)
            return resposta;
        relogio.Dormir(10);
    }
}

int TOvraDeviceSerial::BytesParaLer() {
    return static_cast<int>(std::min<std::size_t>(fsSerial.BytesWaiting(), INT32_MAX));
}

void TOvraDeviceSerial::EnviaString(const std::string& AString) {
    GravaLog("  TOvraDeviceSerial.EnviaString");
    std::size_t posicao = 0;
    int falhas = 0;
    while (posicao < AString.size() && falhas < 10) {
        std::size_t parte =
            SendBytesCount() > 0 ? static_cast<std::size_t>(SendBytesCount()) : AString.size();
        GravaLog("  BytesToSend:" + std::to_string(std::min(parte, AString.size() - posicao)));
        int escritos = fsSerial.SendBuffer(std::string_view(AString).substr(posicao, parte));
        if (escritos > 0) {
            falhas = 0;
            // Only what the port took moves the position: a failed write never sends a byte twice.
            posicao += static_cast<std::size_t>(escritos);
        } else {
            ++falhas;
            GravaLog("  FailCount:" + std::to_string(falhas));
        }
        if (SendBytesInterval() > 0) {
            GravaLog("  Sleep(" + std::to_string(SendBytesInterval()) + ")");
            Pausa(SendBytesInterval());
        }
    }
    if (falhas >= 10)
        throw EOvraDevice("Erro ao enviar dados para a porta: " + fpPorta);
}

void TOvraDeviceSerial::EnviaByte(std::uint8_t AByte) {
    fsSerial.SendByte(static_cast<char>(AByte));
}

std::string TOvraDeviceSerial::LeString(int ATimeOutMilissegundos, int NumBytes,
                                        const std::string& Terminador) {
    if (NumBytes >= 1)
        return fsSerial.RecvExact(static_cast<std::size_t>(NumBytes), ATimeOutMilissegundos);
    if (!Terminador.empty())
        return fsSerial.RecvUntil(Terminador, ATimeOutMilissegundos);
    return fsSerial.RecvPacket(ATimeOutMilissegundos);
}

std::uint8_t TOvraDeviceSerial::LeByte(int ATimeOutMilissegundos) {
    return static_cast<std::uint8_t>(fsSerial.RecvByte(ATimeOutMilissegundos));
}

void TOvraDeviceSerial::Limpar() {
    // Before reading an answer: what came earlier goes, what is still leaving for the printer stays.
    fsSerial.PurgeInput();
}

void TOvraDeviceSerial::AcharPortasSeriais(std::vector<std::string>& AStringList, int UltimaPorta) {
    GravaLog("AcharPortasSeriais(" + std::to_string(UltimaPorta) + ")");
    std::set<std::string> vistos;
    platform::SerialPort teste; // apart from the device's own port, which may be open
    for (int i = 1; i <= UltimaPorta; ++i) {
        std::string nome = "COM" + std::to_string(i);
        std::string caminho = platform::SerialPortPath(nome);
        std::error_code erro;
        teste.Open(caminho, erro);
        if (!erro) {
            std::error_code ignorado;
            teste.Close(ignorado);
        } else {
            platform::SerialError e("", erro);
            // Missing, held by another program, or a UART slot with no chip behind it.
            if (e.PortaInexistente() || e.AcessoNegado() || erro == std::errc::io_error)
                continue;
        }
        AStringList.push_back(nome);
        vistos.insert(caminho);
    }
    if (UltimaPorta <= 0)
        return;
    try {
        for (const std::string& caminho : platform::ListSerialPorts()) {
            // The UARTs are listed above by their COM names.
            if (vistos.count(caminho) || caminho.rfind("/dev/ttyS", 0) == 0)
                continue;
            AStringList.push_back(caminho);
        }
    } catch (...) {
        // Listing is a convenience for the operator; a failure to look lists nothing more.
    }
}
