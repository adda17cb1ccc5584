#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class TOvraDevice;

// The device layer's failures; the text is what the operator sees.
class EOvraDevice : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual std::string ClassName() const { return "EOvraDevice"; }
};

// A file or port that could not be opened while writing through a stream.
class EOvraDeviceStream : public EOvraDevice {
public:
    using EOvraDevice::EOvraDevice;
    std::string ClassName() const override { return "EOvraDeviceStream"; }
};

// A transport: how the device's bytes reach one kind of port. This base is also the transport of a
// "none" port: it accepts everything and discards it, and reads nothing.
class TOvraDeviceClass {
public:
    // Raises "Dono de TOvraDeviceClass deve ser TOvraDevice" without a device.
    explicit TOvraDeviceClass(TOvraDevice* AOwner);
    virtual ~TOvraDeviceClass();
    TOvraDeviceClass(const TOvraDeviceClass&) = delete;
    TOvraDeviceClass& operator=(const TOvraDeviceClass&) = delete;

    virtual std::string ClassName() const { return "TOvraDeviceClass"; }

    virtual int GetMaxSendBandwidth();
    virtual int GetTimeOutMilissegundos();
    virtual void SetMaxSendBandwidth(int AValue);
    virtual void SetTimeOutMilissegundos(int AValue);
    virtual bool PedirPermissoes();
    virtual void Conectar(const std::string& APorta, int ATimeOutMilissegundos);
    virtual void Desconectar(bool IgnorarErros = true);
    virtual bool EmLinha(int ATimeOutMilissegundos);
    virtual int BytesParaLer();
    virtual void EnviaString(const std::string& AString);
    virtual void EnviaByte(std::uint8_t AByte);
    virtual std::string LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador);
    virtual std::uint8_t LeByte(int ATimeOutMilissegundos);
    virtual void Limpar();

    int MaxSendBandwidth() { return GetMaxSendBandwidth(); }
    int TimeOutMilissegundos() { return GetTimeOutMilissegundos(); }
    const std::string& Porta() const { return fpPorta; }
    TOvraDevice& Owner() const { return *fpOwner; }

protected:
    void GravaLog(const std::string& AString, bool Traduz = false) const;
    // Sends in the device's chunks ("  BytesToSend:" lines, the pause after each), each through `Envia`.
    template <typename F> void EnviarEmPartes(const std::string& AString, F&& Envia);
    int SendBytesCount() const;
    int SendBytesInterval() const;
    void Pausa(int milissegundos) const;

    TOvraDevice* fpOwner;
    std::string fpPorta;
};

template <typename F> void TOvraDeviceClass::EnviarEmPartes(const std::string& AString, F&& Envia) {
    std::size_t parte = SendBytesCount() > 0 ? static_cast<std::size_t>(SendBytesCount()) : AString.size();
    if (parte == 0)
        return;
    for (std::size_t pos = 0; pos < AString.size(); pos += parte) {
        std::string pedaco = AString.substr(pos, parte);
        GravaLog("  BytesToSend:" + std::to_string(pedaco.size()));
        Envia(pedaco);
        if (SendBytesInterval() > 0) {
            GravaLog("  Sleep(" + std::to_string(SendBytesInterval()) + ")");
            Pausa(SendBytesInterval());
        }
    }
}
