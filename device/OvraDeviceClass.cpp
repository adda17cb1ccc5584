#include "OvraDeviceClass.h"

#include "OvraDevice.h"
#include "platform/Clock.h"

TOvraDeviceClass::TOvraDeviceClass(TOvraDevice* AOwner) : fpOwner(AOwner) {
    if (AOwner == nullptr)
        throw EOvraDevice("Dono de TOvraDeviceClass deve ser TOvraDevice");
}

TOvraDeviceClass::~TOvraDeviceClass() = default;

int TOvraDeviceClass::GetMaxSendBandwidth() {
    return 0;
}

int TOvraDeviceClass::GetTimeOutMilissegundos() {
    return 100;
}

void TOvraDeviceClass::SetMaxSendBandwidth(int) {}

void TOvraDeviceClass::SetTimeOutMilissegundos(int) {}

bool TOvraDeviceClass::PedirPermissoes() {
    return true;
}

void TOvraDeviceClass::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    GravaLog("   " + ClassName() + ".Conectar(" + APorta + ", " + std::to_string(ATimeOutMilissegundos) +
             ")");
    fpPorta = APorta;
}

void TOvraDeviceClass::Desconectar(bool IgnorarErros) {
    GravaLog("   " + ClassName() + ".Desconectar(" + (IgnorarErros ? "True" : "False") + ")");
}

bool TOvraDeviceClass::EmLinha(int) {
    return true;
}

int TOvraDeviceClass::BytesParaLer() {
    return 0;
}

void TOvraDeviceClass::EnviaString(const std::string&) {}

void TOvraDeviceClass::EnviaByte(std::uint8_t AByte) {
    EnviaString(std::string(1, static_cast<char>(AByte)));
}

std::string TOvraDeviceClass::LeString(int, int, const std::string&) {
    return {};
}

std::uint8_t TOvraDeviceClass::LeByte(int ATimeOutMilissegundos) {
    std::string lido = LeString(ATimeOutMilissegundos, 1, "");
    return lido.empty() ? 0 : static_cast<std::uint8_t>(lido[0]);
}

void TOvraDeviceClass::Limpar() {
    // A peer that never stops talking must not hold the caller for ever: a bounded number of rounds
    // drops far more than any printer status reply.
    for (int rodada = 0; rodada < 1000; ++rodada)
        if (LeString(100, 0, "").empty())
            break;
}

void TOvraDeviceClass::GravaLog(const std::string& AString, bool Traduz) const {
    fpOwner->GravaLog(AString, Traduz);
}

int TOvraDeviceClass::SendBytesCount() const {
    return fpOwner->SendBytesCount();
}

int TOvraDeviceClass::SendBytesInterval() const {
    return fpOwner->SendBytesInterval();
}

void TOvraDeviceClass::Pausa(int milissegundos) const {
    if (milissegundos > 0)
        platform::CurrentClock().Dormir(static_cast<std::uint32_t>(milissegundos));
}
