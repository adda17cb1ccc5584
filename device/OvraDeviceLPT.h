#pragma once

#include "OvraDeviceClass.h"
#include "platform/PortFile.h"

#include <atomic>
#include <exception>
#include <string>
#include <thread>

class TOvraDeviceLPT;

// Sends one text from a thread of its own in pieces of 256 bytes, so that the caller can give up on
// a port that stopped taking data. The caller always waits for it to end (it never outlives the send).
class TOvraThreadEnviaLPT {
public:
    // Raises "Uso Inválido da TOvraThreadEnviaLPT" without a transport.
    TOvraThreadEnviaLPT(TOvraDeviceLPT* AOwner, std::string ATextoAEnviar);
    ~TOvraThreadEnviaLPT();
    TOvraThreadEnviaLPT(const TOvraThreadEnviaLPT&) = delete;
    TOvraThreadEnviaLPT& operator=(const TOvraThreadEnviaLPT&) = delete;

    int BytesSent() const { return fsBytesSent.load(); }
    bool Terminou() const { return fsTerminou.load(); }
    void Terminate() { fsTerminar.store(true); }
    // Waits for the thread; then raises what the send raised, if anything.
    void WaitFor();

private:
    void Execute();

    std::string fsTextoAEnviar;
    std::atomic<int> fsBytesSent{0};
    std::atomic<bool> fsTerminar{false};
    std::atomic<bool> fsTerminou{false};
    std::exception_ptr fsErro;
    TOvraDeviceLPT* fsOwner;
    std::thread fsThread;
};

// A file ("FILE:" + path, a path, a name ending in .txt) or a parallel port ("LPT1", "/dev/lp0"),
// written as a file. Each activation of a file port starts a new file; everything sent while it is
// active is appended to it.
class TOvraDeviceLPT : public TOvraDeviceClass {
public:
    explicit TOvraDeviceLPT(TOvraDevice* AOwner);
    ~TOvraDeviceLPT() override;

    std::string ClassName() const override { return "TOvraDeviceLPT"; }

    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override;
    void Desconectar(bool IgnorarErros = true) override;
    void EnviaString(const std::string& AString) override;

    bool UsarStream = false;
    bool UsarThread = false;

    // The file or device written: the port without "FILE:", a parallel port name as the device.
    std::string NomeArquivo() const;

private:
    friend class TOvraThreadEnviaLPT;
    // Opens, writes in the device's chunks and closes. With `parar`, gives up when it is set and
    // returns the count written.
    std::size_t EnviaStringNormal(const std::string& AString, const std::atomic<bool>* parar = nullptr);
    void EnviaStringThread(const std::string& AString);
    [[noreturn]] void ErroAbrir(const std::exception& e) const;
};
