#pragma once

#include "PlatformError.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// A TCP client connection. Every operation but the ones taking an error_code throws PlatformError
// with the system's text; a read that finds no data in time fails with std::errc::timed_out, and
// one that finds the peer gone with std::errc::connection_reset.
class TcpSocket {
public:
    TcpSocket();
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Tries each address of the host in turn, each within the connection time-out.
    void Connect(const std::string& host, const std::string& porta);
    void Connect(const std::string& host, const std::string& porta, std::error_code& erro);
    bool IsConnected() const;

    // Sends everything; waits at most the time-out for the peer to take each part.
    void Send(std::string_view dados);
    void SendByte(char byte);

    std::string RecvPacket(int milissegundos);
    std::string RecvExact(std::size_t n, int milissegundos);
    std::string RecvUntil(std::string_view terminador, int milissegundos);
    char RecvByte(int milissegundos);

    // Received bytes not read yet, including those this object keeps from an earlier read.
    std::size_t BytesWaiting();
    // Drops received input; what was sent is not taken back.
    void PurgeInput();

    // Lets the peer receive the tail of what was sent before the connection goes: the sending side
    // is shut down and what is still queued is given up to the time-out to leave.
    void Close();
    void Close(std::error_code& erro);

    // Connection and send time-out.
    int Timeout() const { return fTempo; }
    void SetTimeout(int milissegundos) { fTempo = milissegundos; }
    // Bytes per second; 0 is unlimited.
    int MaxBandwidth() const { return fLimite; }
    void SetMaxBandwidth(int bytesPorSegundo) { fLimite = bytesPorSegundo < 0 ? 0 : bytesPorSegundo; }

private:
    [[noreturn]] void Falhar(const std::string& acao, std::error_code codigo);
    std::string Chegou(int milissegundos);

    struct Estado;
    std::unique_ptr<Estado> fEstado;
    std::string fDestino;
    int fTempo = 3000;
    int fLimite = 0;
};

} // namespace platform
