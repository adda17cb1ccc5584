#include "platform/TcpSocket.h"

#include "PollFd.h"
#include "platform/ByteReceiver.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/sockios.h>

#include <algorithm>

namespace platform {

struct TcpSocket::Estado {
    int fd = -1;
    std::unique_ptr<ByteReceiver> recebido;
};

TcpSocket::TcpSocket() : fEstado(std::make_unique<Estado>()) {}

TcpSocket::~TcpSocket() {
    std::error_code ignorado;
    Close(ignorado);
}

bool TcpSocket::IsConnected() const {
    return fEstado->fd >= 0;
}

void TcpSocket::Falhar(const std::string& acao, std::error_code codigo) {
    throw PlatformError("cannot " + acao + " " + fDestino + ": " + codigo.message(), codigo);
}

void TcpSocket::Connect(const std::string& host, const std::string& porta) {
    std::error_code erro;
    Connect(host, porta, erro);
    if (erro)
        Falhar("connect to", erro);
}

namespace {

// One address within the time-out: a non-blocking connect, then a wait for it to finish.
int ConectarEndereco(const addrinfo& a, int milissegundos, std::error_code& erro) {
    int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) {
        erro = posix::UltimoErro();
        return -1;
    }
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            erro = posix::UltimoErro();
            ::close(fd);
            return -1;
        }
        int pronto = posix::Esperar(fd, POLLOUT, milissegundos);
        if (pronto <= 0) {
            erro = pronto == 0 ? std::make_error_code(std::errc::timed_out) : posix::UltimoErro();
            ::close(fd);
            return -1;
        }
        int falha = 0;
        socklen_t tamanho = sizeof falha;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &falha, &tamanho) != 0 || falha != 0) {
            erro = std::error_code(falha != 0 ? falha : errno, std::generic_category());
            ::close(fd);
            return -1;
        }
    }
    int sim = 1;
    // Printer commands are small; waiting to fill a segment only delays the receipt.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &sim, sizeof sim);
    erro.clear();
    return fd;
}

} // namespace

void TcpSocket::Connect(const std::string& host, const std::string& porta, std::error_code& erro) {
    erro.clear();
    std::error_code ignorado;
    Close(ignorado);
    fDestino = host + ":" + porta;

    addrinfo pedido{};
    pedido.ai_family = AF_UNSPEC;
    pedido.ai_socktype = SOCK_STREAM;
    addrinfo* enderecos = nullptr;
    int r = ::getaddrinfo(host.c_str(), porta.c_str(), &pedido, &enderecos);
    if (r != 0) {
        // The resolver's own text is what tells a typo in the name from a dead name server.
        erro = r == EAI_SYSTEM ? posix::UltimoErro() : std::make_error_code(std::errc::host_unreachable);
        fDestino += " (" + std::string(::gai_strerror(r)) + ")";
        return;
    }
    int fd = -1;
    for (addrinfo* a = enderecos; a != nullptr && fd < 0; a = a->ai_next)
        fd = ConectarEndereco(*a, fTempo, erro);
    ::freeaddrinfo(enderecos);
    if (fd < 0)
        return;
    fEstado->fd = fd;
    fEstado->recebido = std::make_unique<ByteReceiver>(
        [this](int ms) { return Chegou(ms); },
        [this](int) { Falhar("read from", std::make_error_code(std::errc::timed_out)); });
}

std::string TcpSocket::Chegou(int milissegundos) {
    std::string dados;
    switch (posix::LerDisponivel(fEstado->fd, milissegundos, dados)) {
    case posix::Leitura::Dados:
        return dados;
    case posix::Leitura::Nada:
        return {};
    case posix::Leitura::Fechado:
        Falhar("read from", std::make_error_code(std::errc::connection_reset));
    case posix::Leitura::Erro:
        break;
    }
    Falhar("read from", posix::UltimoErro());
}

void TcpSocket::Send(std::string_view dados) {
    if (!IsConnected())
        Falhar("send to", std::make_error_code(std::errc::not_connected));
    std::uint64_t inicio = CurrentClock().Ticks();
    std::size_t enviados = 0;
    while (enviados < dados.size()) {
        std::string_view parte = dados.substr(enviados);
        if (fLimite > 0) {
            // Hold back until the rate allows the bytes already sent, then send a tenth of a second's worth.
            std::uint64_t devido = inicio + enviados * 1000 / static_cast<std::uint64_t>(fLimite);
            std::uint64_t agora = CurrentClock().Ticks();
            if (devido > agora)
                CurrentClock().Dormir(static_cast<std::uint32_t>(devido - agora));
            parte = parte.substr(0, std::max<std::size_t>(1, static_cast<std::size_t>(fLimite) / 10));
        }
        int pronto = posix::Esperar(fEstado->fd, POLLOUT, fTempo);
        if (pronto < 0)
            Falhar("send to", posix::UltimoErro());
        if (pronto == 0)
            Falhar("send to", std::make_error_code(std::errc::timed_out));
        // MSG_NOSIGNAL: a printer that drops the connection is an error to report, not a signal
        // that ends the program.
        ssize_t n = ::send(fEstado->fd, parte.data(), parte.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            Falhar("send to", posix::UltimoErro());
        }
        enviados += static_cast<std::size_t>(n);
    }
}

void TcpSocket::SendByte(char byte) {
    Send(std::string_view(&byte, 1));
}

std::string TcpSocket::RecvPacket(int milissegundos) {
    if (!IsConnected())
        Falhar("read from", std::make_error_code(std::errc::not_connected));
    return fEstado->recebido->Packet(milissegundos);
}

std::string TcpSocket::RecvExact(std::size_t n, int milissegundos) {
    if (!IsConnected())
        Falhar("read from", std::make_error_code(std::errc::not_connected));
    return fEstado->recebido->Exact(n, milissegundos);
}

std::string TcpSocket::RecvUntil(std::string_view terminador, int milissegundos) {
    if (!IsConnected())
        Falhar("read from", std::make_error_code(std::errc::not_connected));
    return fEstado->recebido->Until(terminador, milissegundos);
}

char TcpSocket::RecvByte(int milissegundos) {
    if (!IsConnected())
        Falhar("read from", std::make_error_code(std::errc::not_connected));
    return fEstado->recebido->Byte(milissegundos);
}

std::size_t TcpSocket::BytesWaiting() {
    if (!IsConnected())
        return 0;
    int naFila = 0;
    if (::ioctl(fEstado->fd, FIONREAD, &naFila) != 0)
        Falhar("count the input of", posix::UltimoErro());
    return fEstado->recebido->Pending() + static_cast<std::size_t>(naFila < 0 ? 0 : naFila);
}

void TcpSocket::PurgeInput() {
    if (!IsConnected())
        return;
    fEstado->recebido->Clear();
    char lixo[4096];
    for (;;) {
        ssize_t n = ::recv(fEstado->fd, lixo, sizeof lixo, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break; // nothing more now, the peer closed, or an error the next read will report
    }
}

void TcpSocket::Close() {
    std::error_code erro;
    Close(erro);
    if (erro)
        Falhar("close", erro);
}

void TcpSocket::Close(std::error_code& erro) {
    erro.clear();
    if (!IsConnected())
        return;
    int fd = fEstado->fd;
    fEstado->fd = -1;
    fEstado->recebido.reset();

    // Closing a socket with unread input makes the kernel reset the connection, and a reset may
    // throw away what the printer had not taken yet: the tail of a receipt. So: say we are done,
    // wait (up to the time-out) until the peer has acknowledged everything, and read off what it
    // said meanwhile, so that the close is an orderly one.
    if (::shutdown(fd, SHUT_WR) == 0) {
        std::uint64_t prazo = SystemClock().Ticks() + static_cast<std::uint64_t>(fTempo > 0 ? fTempo : 0);
        for (;;) {
            int naFila = 0;
            if (::ioctl(fd, SIOCOUTQ, &naFila) != 0 || naFila <= 0)
                break;
            std::uint64_t agora = SystemClock().Ticks();
            if (agora >= prazo)
                break;
            posix::Esperar(-1, 0, static_cast<int>(std::min<std::uint64_t>(10, prazo - agora)));
        }
        std::string resto;
        while (posix::LerDisponivel(fd, 0, resto) == posix::Leitura::Dados)
            resto.clear();
    }
    if (::close(fd) != 0 && errno != EINTR)
        erro = posix::UltimoErro();
}

} // namespace platform
