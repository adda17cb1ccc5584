#pragma once

#include "OvraDeviceClass.h"
#include "platform/TcpSocket.h"

#include <string>

// A printer on the network: "TCP:" + host, optionally ":" + service port (9100 when absent). An
// IPv6 address is written in brackets: "TCP:[::1]:9100".
class TOvraDeviceTCP : public TOvraDeviceClass {
public:
    explicit TOvraDeviceTCP(TOvraDevice* AOwner);

    std::string ClassName() const override { return "TOvraDeviceTCP"; }

    int GetMaxSendBandwidth() override;
    int GetTimeOutMilissegundos() override;
    void SetMaxSendBandwidth(int AValue) override;
    void SetTimeOutMilissegundos(int AValue) override;
    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override;
    void Desconectar(bool IgnorarErros = true) override;
    int BytesParaLer() override;
    void EnviaString(const std::string& AString) override;
    void EnviaByte(std::uint8_t AByte) override;
    std::string LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador) override;
    std::uint8_t LeByte(int ATimeOutMilissegundos) override;
    void Limpar() override;

    const std::string& IP() const { return fsIP; }
    const std::string& PortaTCP() const { return fsPorta; }
    platform::TcpSocket& Socket() { return fsSocket; }

private:
    platform::TcpSocket fsSocket;
    std::string fsIP;
    std::string fsPorta;
};
