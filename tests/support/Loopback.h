#pragma once

// A TCP listener on 127.0.0.1 and a free port, standing in for a network printer.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace testsupport {

class Loopback {
public:
    explicit Loopback(int fila = 8) {
        fOuvinte = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(fOuvinte, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(fOuvinte, fila) != 0 ||
            ::getsockname(fOuvinte, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            throw std::runtime_error("no loopback listener");
        fPorta = ntohs(a.sin_port);
    }
    ~Loopback() {
        Fechar();
        ::close(fOuvinte);
    }
    Loopback(const Loopback&) = delete;
    Loopback& operator=(const Loopback&) = delete;

    int Porta() const { return fPorta; }
    std::string PortaTexto() const { return std::to_string(fPorta); }

    // Takes the client that connected.
    void Aceitar() {
        pollfd p{fOuvinte, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            throw std::runtime_error("no client came");
        fCliente = ::accept(fOuvinte, nullptr, nullptr);
    }
    void Escrever(const std::string& s) {
        if (::send(fCliente, s.data(), s.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(s.size()))
            throw std::runtime_error("send failed");
    }
    // Up to `quanto` bytes, or until the client closes (quanto 0: until it closes).
    std::string Ler(std::size_t quanto = 0) {
        std::string s;
        while (quanto == 0 || s.size() < quanto) {
            pollfd p{fCliente, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            char b[65536];
            ssize_t n =
                ::recv(fCliente, b, quanto == 0 ? sizeof b : std::min(sizeof b, quanto - s.size()), 0);
            if (n <= 0)
                break;
            s.append(b, static_cast<std::size_t>(n));
        }
        return s;
    }
    void Fechar() {
        if (fCliente >= 0)
            ::close(fCliente);
        fCliente = -1;
    }
    int Ouvinte() const { return fOuvinte; }

private:
    int fOuvinte = -1;
    int fCliente = -1;
    int fPorta = 0;
};

// A port on 127.0.0.1 where nobody listens: taken from the system, then given back.
inline int PortaRecusada() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(fd);
    return ntohs(a.sin_port);
}

} // namespace testsupport
