#pragma once

#include "PlatformError.h"

#include <atomic>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// A file, or a device written as a file (a parallel port, a printer node), opened for one send.
// Failures throw PlatformError with the system's text, naming the file.
class PortFile {
public:
    enum Modo {
        Anexar,     // existing content stays; writes go to the end
        Criar,      // starts empty
        Dispositivo // an existing device node, opened as it is: never created, never truncated
    };

    PortFile() = default;
    ~PortFile();
    PortFile(const PortFile&) = delete;
    PortFile& operator=(const PortFile&) = delete;

    // `exclusivo`: while open, other writers that ask for the same are refused.
    void Open(const std::string& caminho, Modo modo, bool exclusivo = false);
    void Open(const std::string& caminho, Modo modo, bool exclusivo, std::error_code& erro);
    bool IsOpen() const { return fFd >= 0; }

    // Writes everything, waiting for a device that is slow to take it. When `parar` is given and
    // becomes true, gives up and returns the count written so far; otherwise returns the whole size.
    std::size_t Write(std::string_view dados, const std::atomic<bool>* parar = nullptr);

    void Close();
    void Close(std::error_code& erro);

private:
    [[noreturn]] void Falhar(const std::string& acao, std::error_code codigo);

    int fFd = -1;
    std::string fCaminho;
};

// The system's device for a parallel port name: "LPT1".."LPTn" are the first, second... parallel
// ports (/dev/lp0...); any other name stays as given.
std::string ParallelPortPath(const std::string& nome);

// The device paths of the parallel ports and the USB printer nodes this machine has.
std::vector<std::string> ListParallelPorts();

} // namespace platform
