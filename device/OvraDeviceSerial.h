#pragma once

#include "OvraDeviceClass.h"
#include "platform/SerialPort.h"

#include <string>
#include <vector>

enum TOvraSerialParity : int { pNone, pOdd, pEven, pMark, pSpace };
enum TOvraSerialStop : int { s1, s1eMeio, s2 };
enum TOvraHandShake : int { hsNenhum, hsXON_XOFF, hsRTS_CTS, hsDTR_DSR };

std::string SerialParityName(TOvraSerialParity AValue); // "pEven"
std::string SerialStopName(TOvraSerialStop AValue);     // "s1eMeio"
std::string HandShakeName(TOvraHandShake AValue);       // "hsRTS_CTS"

// The serial status callback: the port, why it was called, and a text that goes with the reason.
using TOvraSerialStatus = platform::SerialPort::StatusCallback;

// A serial port ("COM3", "\\.\COM10", "/dev/ttyUSB0"). Holds the serial settings of the device
// whatever kind of port is selected, and applies them to the open port at once.
class TOvraDeviceSerial : public TOvraDeviceClass {
public:
    explicit TOvraDeviceSerial(TOvraDevice* AOwner);
    ~TOvraDeviceSerial() override;

    std::string ClassName() const override { return "TOvraDeviceSerial"; }

    int GetMaxSendBandwidth() override;
    int GetTimeOutMilissegundos() override;
    void SetMaxSendBandwidth(int AValue) override;
    void SetTimeOutMilissegundos(int AValue) override;
    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override;
    void Desconectar(bool IgnorarErros = true) override;
    bool EmLinha(int ATimeOutMilissegundos) override;
    int BytesParaLer() override;
    void EnviaString(const std::string& AString) override;
    void EnviaByte(std::uint8_t AByte) override;
    std::string LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador) override;
    std::uint8_t LeByte(int ATimeOutMilissegundos) override;
    void Limpar() override;

    // Resets the six settings to 9600 8N1, no flow control.
    void ValoresPadroes();

    int Baud() const { return fsBaud; }
    void SetBaud(int AValue);
    int Data() const { return fsData; }
    void SetData(int AValue);
    TOvraSerialParity Parity() const;
    void SetParity(TOvraSerialParity AValue);
    TOvraSerialStop Stop() const;
    void SetStop(TOvraSerialStop AValue);
    TOvraHandShake HandShake() const { return fsHandShake; }
    void SetHandShake(TOvraHandShake AValue);
    bool HardFlow() const { return fsHardFlow; }
    void SetHardFlow(bool AValue);
    bool SoftFlow() const { return fsSoftFlow; }
    void SetSoftFlow(bool AValue);

    const TOvraSerialStatus& OnStatus() const { return fsSerial.OnStatus; }
    void SetOnStatus(TOvraSerialStatus AValue) { fsSerial.OnStatus = std::move(AValue); }

    // Adds "COM1".."COM" + UltimaPorta that are present, then the other serial devices this machine
    // has (USB adapters, modems) by their paths.
    void AcharPortasSeriais(std::vector<std::string>& AStringList, int UltimaPorta = 64);

    platform::SerialPort& Serial() { return fsSerial; }

private:
    void ConfigurarSerial();
    static std::string CaminhoDaPorta(const std::string& APorta);

    platform::SerialPort fsSerial;
    bool fsHardFlow = false;
    bool fsSoftFlow = false;
    TOvraHandShake fsHandShake = hsNenhum;
    char fsParity = 'N';
    int fsData = 8;
    int fsBaud = 9600;
    int fsStop = 0;
};
