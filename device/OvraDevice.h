#pragma once

#include "OvraDeviceClass.h"
#include "OvraDeviceHook.h"
#include "OvraDeviceSerial.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOvraDeviceTCP;
class TOvraDeviceLPT;
class TOvraDeviceRaw;
namespace platform {
class TcpSocket;
}

enum TOvraDeviceType : int {
    dtNenhum,
    dtFile,
    dtSerial,
    dtParallel,
    dtTCP,
    dtRawPrinter,
    dtHook,
    dtUSB,
    dtBlueTooth
};

// "dtSerial", "dtRawPrinter"...
std::string DeviceTypeName(TOvraDeviceType AValue);

// The logical print-head position of ImprimePos.
struct TOvraPosImp {
    int Linha = 0;
    int Coluna = 0;
};

// The port a receipt printer is attached to. The port name chooses the transport:
//   "COM3", "\\.\COM10", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/pts/N"  serial
//   "LPT1", "/dev/lp0"                                                                parallel
//   "TCP:" + host [":" + port]                                                        network (9100)
//   "RAW:" + printer, "*", or the exact name of an installed printer                  print spooler
//   "FILE:" + path, a name ending in ".txt", any other path, "/dev/usb/lp0"           file
//   "DLL..."                                                                          hook callbacks
//   "NULL"                                                                            discards everything
// On this system "COMn" is the n-th UART (/dev/ttyS(n-1)) and "LPTn" the n-th parallel port
// (/dev/lp(n-1)), so a configuration written elsewhere keeps working.
class TOvraDevice {
public:
    TOvraDevice();
    ~TOvraDevice();
    TOvraDevice(const TOvraDevice&) = delete;
    TOvraDevice& operator=(const TOvraDevice&) = delete;

    std::string ClassName() const { return "TOvraDevice"; }

    void Ativar();
    void Desativar();
    bool Ativo() const { return fsAtivo; }
    void SetAtivo(bool AValue);

    void EnviaString(const std::string& AString);
    void EnviaByte(std::uint8_t AByte);
    // A time-out below 1 is the device's TimeOutMilissegundos.
    std::string LeString(int ATimeOutMilissegundos = 0, int NumBytes = 0, const std::string& Terminador = "");
    std::uint8_t LeByte(int ATimeOutMilissegundos = 0);
    // Drops input that came before; output still on its way to the printer is kept.
    void Limpar();
    int BytesParaLer();
    bool EmLinha(int ATimeOutSegundos = 1);
    bool PedirPermissoes();

    // Ports this machine has: USB printer nodes, serial ports, parallel ports, spooler printers.
    void AcharPortas(std::vector<std::string>& AStringList);
    void AcharPortasSeriais(std::vector<std::string>& AStringList, int UltimaPorta = 64);
    void AcharPortasRAW(std::vector<std::string>& AStringList);
    void AcharPortasUSB(std::vector<std::string>& AStringList);
    void AcharPortasParalelas(std::vector<std::string>& AStringList);
    void AcharPortasBlueTooth(std::vector<std::string>& AStringList, bool TodasPortas = false);

    // The serial configuration string: every key, or only those away from their defaults.
    std::string DeviceToString(bool OnlyException);
    void ImprimePos(int Linha, int Coluna, const std::string& AString);
    void Eject();
    // Copies the serial settings, send limits, callbacks and hooks (not the port nor the time-out).
    void Assign(const TOvraDevice& Source);

    TOvraDeviceType DeduzirTipoPorta(const std::string& APorta);

    const std::string& Porta() const { return fsPorta; }
    void SetPorta(const std::string& AValue);
    TOvraDeviceType DeviceType() const { return fsDeviceType; }
    void SetDeviceType(TOvraDeviceType AValue);

    int TimeOut() const;
    void SetTimeOut(int ASegundos);
    int TimeOutMilissegundos() const { return fsTimeOutMilissegundos; }
    void SetTimeOutMilissegundos(int AValue);

    std::string ParamsString();
    void SetParamsString(const std::string& AValue);

    int Baud() const { return fsDeviceSerial->Baud(); }
    void SetBaud(int AValue);
    int Data() const { return fsDeviceSerial->Data(); }
    void SetData(int AValue);
    TOvraSerialParity Parity() const { return fsDeviceSerial->Parity(); }
    void SetParity(TOvraSerialParity AValue);
    TOvraSerialStop Stop() const { return fsDeviceSerial->Stop(); }
    void SetStop(TOvraSerialStop AValue);
    TOvraHandShake HandShake() const { return fsDeviceSerial->HandShake(); }
    void SetHandShake(TOvraHandShake AValue);
    bool HardFlow() const { return fsDeviceSerial->HardFlow(); }
    void SetHardFlow(bool AValue);
    bool SoftFlow() const { return fsDeviceSerial->SoftFlow(); }
    void SetSoftFlow(bool AValue);
    const TOvraSerialStatus& OnStatus() const { return fsDeviceSerial->OnStatus(); }
    void SetOnStatus(TOvraSerialStatus AValue) { fsDeviceSerial->SetOnStatus(std::move(AValue)); }

    // Bytes per second the transport may send; 0 is unlimited. Kept by the device, so that a limit
    // set before the port is chosen reaches the transport the port selects.
    int MaxBandwidth() const { return fsMaxBandwidth; }
    void SetMaxBandwidth(int AValue);
    int SendBytesCount() const { return fsSendBytesCount; }
    void SetSendBytesCount(int AValue) { fsSendBytesCount = AValue < 0 ? 0 : AValue; }
    int SendBytesInterval() const { return fsSendBytesInterval; }
    void SetSendBytesInterval(int AValue) { fsSendBytesInterval = AValue < 0 ? 0 : AValue; }

    // The device's class name while nothing was set.
    std::string NomeDocumento() const;
    void SetNomeDocumento(const std::string& AValue);
    bool ProcessMessages() const { return fProcessMessages; }
    void SetProcessMessages(bool AValue) { fProcessMessages = AValue; }
    const std::string& ArqLOG() const { return fsArqLOG; }
    void SetArqLOG(const std::string& AValue) { fsArqLOG = AValue; }
    TOvraPosImp PosImp() const { return fsPosImp; }

    const TOvraHookAtivar& HookAtivar() const { return fsDeviceHook->HookAtivar; }
    void SetHookAtivar(TOvraHookAtivar AValue) { fsDeviceHook->HookAtivar = std::move(AValue); }
    const TOvraHookDesativar& HookDesativar() const { return fsDeviceHook->HookDesativar; }
    void SetHookDesativar(TOvraHookDesativar AValue) { fsDeviceHook->HookDesativar = std::move(AValue); }
    const TOvraHookEnviaString& HookEnviaString() const { return fsDeviceHook->HookEnviaString; }
    void SetHookEnviaString(TOvraHookEnviaString AValue) {
        fsDeviceHook->HookEnviaString = std::move(AValue);
    }
    const TOvraHookLeString& HookLeString() const { return fsDeviceHook->HookLeString; }
    void SetHookLeString(TOvraHookLeString AValue) { fsDeviceHook->HookLeString = std::move(AValue); }

    // What the application runs to keep its window alive while a long send waits (when
    // ProcessMessages is on). Empty: nothing to run.
    std::function<void()> OnProcessMessages;

    bool IsSerialPort() const { return fsDeviceType == dtSerial; }
    bool IsParallelPort() const { return fsDeviceType == dtParallel; }
    bool IsTCPPort() const { return fsDeviceType == dtTCP; }
    bool IsRawPort() const { return fsDeviceType == dtRawPrinter; }
    bool IsTXTFilePort() const { return fsDeviceType == dtFile; }
    bool IsDLLPort() const { return fsDeviceType == dtHook; }
    bool IsUSBPort() const { return fsDeviceType == dtUSB; }

    TOvraDeviceClass& DeviceAtivo() const { return *fsDeviceAtivo; }
    TOvraDeviceSerial& DeviceSerial() const { return *fsDeviceSerial; }
    TOvraDeviceTCP& DeviceTCP() const { return *fsDeviceTCP; }
    TOvraDeviceLPT& DeviceLPT() const { return *fsDeviceLPT; }
    TOvraDeviceRaw& DeviceRaw() const { return *fsDeviceRaw; }
    TOvraDeviceHook& DeviceHook() const { return *fsDeviceHook; }
    platform::SerialPort& Serial() const;
    platform::TcpSocket& Socket() const;

    // One line of the device log (nothing without ArqLOG); `Traduz` names the control bytes.
    void GravaLog(const std::string& AString, bool Traduz = false) const;
    // Runs OnProcessMessages when ProcessMessages is on.
    void ProcessarMensagens();

    // The name an error is logged under: "EOvraDevice", "SerialError"...
    static std::string ErrorClassName(const std::exception& e);

private:
    // Runs a device operation; an error that leaves it is logged once, by the outermost one.
    template <typename F> auto Protegido(F&& acao) -> decltype(acao());
    TOvraDeviceClass* TransporteDoTipo(TOvraDeviceType AValue) const;

    TOvraDeviceClass* fsDeviceAtivo = nullptr;
    std::unique_ptr<TOvraDeviceClass> fsDeviceNenhum;
    std::unique_ptr<TOvraDeviceSerial> fsDeviceSerial;
    std::unique_ptr<TOvraDeviceTCP> fsDeviceTCP;
    std::unique_ptr<TOvraDeviceLPT> fsDeviceLPT;
    std::unique_ptr<TOvraDeviceHook> fsDeviceHook;
    std::unique_ptr<TOvraDeviceRaw> fsDeviceRaw;
    std::unique_ptr<TOvraDeviceClass> fsDeviceWinUSB;
    std::unique_ptr<TOvraDeviceClass> fsDeviceBlueTooth;
    TOvraPosImp fsPosImp;
    std::string fsPorta;
    std::string fsNomeDocumento;
    TOvraDeviceType fsDeviceType = dtNenhum;
    int fsTimeOutMilissegundos = 3000;
    bool fsAtivo = false;
    int fsSendBytesCount = 0;
    int fsSendBytesInterval = 0;
    int fsMaxBandwidth = 0;
    bool fProcessMessages = true;
    std::string fsArqLOG;
    int fsProfundidade = 0;
};
