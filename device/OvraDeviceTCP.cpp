#include "OvraDeviceTCP.h"

#include "OvraDevice.h"

#include <algorithm>

TOvraDeviceTCP::TOvraDeviceTCP(TOvraDevice* AOwner) : TOvraDeviceClass(AOwner) {}

int TOvraDeviceTCP::GetMaxSendBandwidth() {
    return fsSocket.MaxBandwidth();
}

int TOvraDeviceTCP::GetTimeOutMilissegundos() {
    return fsSocket.Timeout();
}

void TOvraDeviceTCP::SetMaxSendBandwidth(int AValue) {
    fsSocket.SetMaxBandwidth(AValue);
}

void TOvraDeviceTCP::SetTimeOutMilissegundos(int AValue) {
    fsSocket.SetTimeout(AValue);
}

namespace {

bool PortaValida(const std::string& porta) {
    if (porta.empty() || porta.size() > 5 ||
        !std::all_of(porta.begin(), porta.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    int numero = std::stoi(porta);
    return numero >= 1 && numero <= 65535;
}

} // namespace

void TOvraDeviceTCP::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
    std::string resto = APorta.size() > 4 ? APorta.substr(4) : std::string();
    std::string host, porta;
    std::size_t separador;
    if (!resto.empty() && resto[0] == '[') {
        // An IPv6 address holds colons of its own, so it comes in brackets.
        std::size_t fecha = resto.find(']');
        host = fecha == std::string::npos ? std::string() : resto.substr(1, fecha - 1);
        separador = fecha == std::string::npos ? std::string::npos : resto.find(':', fecha);
    } else {
        separador = resto.find(':');
        host = resto.substr(0, separador);
    }
    porta = separador == std::string::npos ? std::string("9100") : resto.substr(separador + 1);
    // A service port longer than five digits or with letters would otherwise be cut or looked up
    // as a name, and the receipt would go somewhere else.
    if (host.empty() || !PortaValida(porta))
        throw EOvraDevice("Endereço TCP inválido [" + APorta + "]");
    fsIP = host;
    fsPorta = porta;
    std::error_code ignorado;
    fsSocket.Close(ignorado);
    GravaLog("  IP:" + fsIP + ", Porta:" + fsPorta + ")");
    fsSocket.SetTimeout(ATimeOutMilissegundos);
    fsSocket.Connect(fsIP, fsPorta);
    fsSocket.PurgeInput();
}

void TOvraDeviceTCP::Desconectar(bool IgnorarErros) {
    TOvraDeviceClass::Desconectar(IgnorarErros);
    if (IgnorarErros) {
        std::error_code ignorado;
        fsSocket.Close(ignorado);
    } else {
        fsSocket.Close();
    }
}

int TOvraDeviceTCP::BytesParaLer() {
    return static_cast<int>(std::min<std::size_t>(fsSocket.BytesWaiting(), INT32_MAX));
}

void TOvraDeviceTCP::EnviaString(const std::string& AString) {
    GravaLog("  TOvraDeviceTCP.EnviaString");
    EnviarEmPartes(AString, [this](const std::string& parte) { fsSocket.Send(parte); });
}

void TOvraDeviceTCP::EnviaByte(std::uint8_t AByte) {
    fsSocket.SendByte(static_cast<char>(AByte));
}

std::string TOvraDeviceTCP::LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador) {
    if (NumBytes >= 1)
        return fsSocket.RecvExact(static_cast<std::size_t>(NumBytes), ATimeOutMilissegundos);
    if (!Terminador.empty())
        return fsSocket.RecvUntil(Terminador, ATimeOutMilissegundos);
    return fsSocket.RecvPacket(ATimeOutMilissegundos);
}

std::uint8_t TOvraDeviceTCP::LeByte(int ATimeOutMilissegundos) {
    return static_cast<std::uint8_t>(fsSocket.RecvByte(ATimeOutMilissegundos));
}

void TOvraDeviceTCP::Limpar() {
    fsSocket.PurgeInput();
}
