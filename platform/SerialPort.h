#pragma once

#include "PlatformError.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// Why the status callback of a serial port is called, and what its text then holds.
enum THookSerialReason : int {
    HR_SerialClose, // the port was closed; text: the port
    HR_Connect,     // the port was opened; text: the port
    HR_CanRead,     // waiting for input; text: the time-out in milliseconds
    HR_CanWrite,    // waiting to write; text: the time-out in milliseconds
    HR_ReadCount,   // bytes read; text: the count
    HR_WriteCount,  // bytes written; text: the count
    HR_Wait         // a pause; text: milliseconds
};

// A failure of a serial port, with the system's text and code.
class SerialError : public PlatformError {
public:
    using PlatformError::PlatformError;
    // The port is not there (no such device, or no hardware behind the device node).
    bool PortaInexistente() const;
    // The port is there but someone else holds it, or we may not open it.
    bool AcessoNegado() const;
};

struct SerialConfig {
    int baud = 9600;
    int dataBits = 8;  // 5 to 8
    char parity = 'N'; // 'N', 'O', 'E', 'M' or 'S'
    int stop = 0;      // 0 one stop bit, 1 one and a half, 2 two
    bool softFlow = false;
    bool hardFlow = false;
};

// One serial port, opened exclusively: a second open of the same port, from this program or
// another, fails as "access denied". Every operation but the ones taking an error_code throws
// SerialError; the code of the last failure stays readable through LastError.
class SerialPort {
public:
    using StatusCallback =
        std::function<void(SerialPort& porta, THookSerialReason motivo, const std::string& valor)>;

    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    void Open(const std::string& nome);
    void Open(const std::string& nome, std::error_code& erro);
    bool IsOpen() const;
    const std::string& Name() const { return fNome; }

    void Configure(const SerialConfig& config);
    // Lines a device without modem control (a pseudo-terminal, some adapters) lacks are not an
    // error: raising them does nothing, and reading them gives true, as nothing holds us back.
    void SetRTS(bool ligado);
    void SetDTR(bool ligado);
    bool CTS();
    bool DSR();

    // Received bytes not read yet, including those this object keeps from an earlier read.
    std::size_t BytesWaiting();

    // Writes what the port takes within the write time-out; returns the count written (0 when it
    // took nothing in time).
    int SendBuffer(std::string_view dados);
    // Throws when the byte is not taken within the write time-out.
    void SendByte(char byte);

    // See ByteReceiver: a packet, an exact count, up to a terminator, one byte; each throws a
    // SerialError with std::errc::timed_out when the data do not arrive in time.
    std::string RecvPacket(int milissegundos);
    std::string RecvExact(std::size_t n, int milissegundos);
    std::string RecvUntil(std::string_view terminador, int milissegundos);
    char RecvByte(int milissegundos);

    // Drops received input only; output still on its way to the device goes on.
    void PurgeInput();
    // Drops pending input and output; for a port just opened, before anything was sent.
    void Purge();

    void Close();
    void Close(std::error_code& erro);

    std::error_code LastError() const { return fUltimoErro; }

    int WriteTimeout() const { return fTempoEscrita; }
    void SetWriteTimeout(int milissegundos) { fTempoEscrita = milissegundos; }
    // Bytes per second; 0 is unlimited.
    int MaxBandwidth() const { return fLimite; }
    void SetMaxBandwidth(int bytesPorSegundo) { fLimite = bytesPorSegundo < 0 ? 0 : bytesPorSegundo; }

    StatusCallback OnStatus;

private:
    [[noreturn]] void Falhar(const std::string& acao, std::error_code codigo);
    void Status(THookSerialReason motivo, const std::string& valor);
    std::string Chegou(int milissegundos);

    struct Estado;
    std::unique_ptr<Estado> fEstado;
    std::string fNome;
    std::error_code fUltimoErro;
    int fTempoEscrita = 3000;
    int fLimite = 0;
};

// The system's device path for a serial port name. "COM1".."COMn" are the first, second... UART
// ports (/dev/ttyS0...); any other name is a path and stays as given.
std::string SerialPortPath(const std::string& nome);

// The device paths of the serial ports this machine has: UARTs with hardware behind them, USB
// serial adapters and modems (ttyUSB, ttyACM) and other tty devices a driver registered.
std::vector<std::string> ListSerialPorts();

} // namespace platform
