#include "platform/SerialPort.h"

#include "PollFd.h"
#include "SerialTermios.h"
#include "platform/ByteReceiver.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <linux/serial.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace platform {

namespace {

bool ErroEntre(std::error_code c, std::initializer_list<int> codigos) {
    if (c.category() != std::generic_category() && c.category() != std::system_category())
        return false;
    return std::find(codigos.begin(), codigos.end(), c.value()) != codigos.end();
}

} // namespace

bool SerialError::PortaInexistente() const {
    return ErroEntre(Codigo(), {ENOENT, ENODEV, ENXIO});
}

bool SerialError::AcessoNegado() const {
    return ErroEntre(Codigo(), {EACCES, EPERM, EBUSY, EWOULDBLOCK});
}

struct SerialPort::Estado {
    int fd = -1;
    std::unique_ptr<ByteReceiver> recebido;
};

SerialPort::SerialPort() : fEstado(std::make_unique<Estado>()) {}

SerialPort::~SerialPort() {
    std::error_code ignorado;
    Close(ignorado);
}

bool SerialPort::IsOpen() const {
    return fEstado->fd >= 0;
}

void SerialPort::Falhar(const std::string& acao, std::error_code codigo) {
    fUltimoErro = codigo;
    throw SerialError("cannot " + acao + " serial port '" + fNome + "': " + codigo.message(), codigo);
}

void SerialPort::Status(THookSerialReason motivo, const std::string& valor) {
    if (OnStatus)
        OnStatus(*this, motivo, valor);
}

void SerialPort::Open(const std::string& nome) {
    std::error_code erro;
    Open(nome, erro);
    if (erro)
        Falhar("open", erro);
}

void SerialPort::Open(const std::string& nome, std::error_code& erro) {
    erro.clear();
    std::error_code ignorado;
    Close(ignorado);
    fNome = nome;
    std::string caminho = SerialPortPath(nome);
    int fd = ::open(caminho.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        erro = posix::UltimoErro();
        fUltimoErro = erro;
        return;
    }
    // flock makes "in use" visible to every program that plays by the same rule; TIOCEXCL also
    // keeps out those that do not (root excepted).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        erro = errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : posix::UltimoErro();
        ::close(fd);
        fUltimoErro = erro;
        return;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        erro = posix::UltimoErro(); // not a terminal, or a UART with no hardware behind it
        ::close(fd);
        fUltimoErro = erro;
        return;
    }
    ::ioctl(fd, TIOCEXCL);
    fEstado->fd = fd;
    fEstado->recebido =
        std::make_unique<ByteReceiver>([this](int ms) { return Chegou(ms); },
                                       [this](int ms) {
                                           Falhar("read from", std::make_error_code(std::errc::timed_out));
                                           (void)ms;
                                       });
    fUltimoErro.clear();
    Status(HR_Connect, nome);
}

std::string SerialPort::Chegou(int milissegundos) {
    Status(HR_CanRead, std::to_string(milissegundos));
    std::string dados;
    switch (posix::LerDisponivel(fEstado->fd, milissegundos, dados)) {
    case posix::Leitura::Dados:
        Status(HR_ReadCount, std::to_string(dados.size()));
        return dados;
    case posix::Leitura::Nada:
        return {};
    case posix::Leitura::Fechado:
        Falhar("read from", std::make_error_code(std::errc::io_error));
    case posix::Leitura::Erro:
        break;
    }
    Falhar("read from", posix::UltimoErro());
}

void SerialPort::Configure(const SerialConfig& config) {
    if (!IsOpen())
        Falhar("configure", std::make_error_code(std::errc::bad_file_descriptor));
    termios t{};
    if (::tcgetattr(fEstado->fd, &t) != 0)
        Falhar("configure", posix::UltimoErro());
    posix::BuildTermios(t, config);
    if (::tcsetattr(fEstado->fd, TCSANOW, &t) != 0)
        Falhar("configure", posix::UltimoErro());
    if (posix::StandardSpeed(config.baud) == B0 && posix::SetFreeBaud(fEstado->fd, config.baud) != 0)
        Falhar("set the rate of", posix::UltimoErro());
}

namespace {
bool SemLinhasDeModem(int erro) {
    return erro == ENOTTY || erro == EINVAL;
}
} // namespace

void SerialPort::SetRTS(bool ligado) {
    int linha = TIOCM_RTS;
    if (::ioctl(fEstado->fd, ligado ? TIOCMBIS : TIOCMBIC, &linha) != 0 && !SemLinhasDeModem(errno))
        Falhar("set RTS on", posix::UltimoErro());
}

void SerialPort::SetDTR(bool ligado) {
    int linha = TIOCM_DTR;
    if (::ioctl(fEstado->fd, ligado ? TIOCMBIS : TIOCMBIC, &linha) != 0 && !SemLinhasDeModem(errno))
        Falhar("set DTR on", posix::UltimoErro());
}

bool SerialPort::CTS() {
    int linhas = 0;
    if (::ioctl(fEstado->fd, TIOCMGET, &linhas) != 0) {
        if (SemLinhasDeModem(errno))
            return true;
        Falhar("read CTS of", posix::UltimoErro());
    }
    return (linhas & TIOCM_CTS) != 0;
}

bool SerialPort::DSR() {
    int linhas = 0;
    if (::ioctl(fEstado->fd, TIOCMGET, &linhas) != 0) {
        if (SemLinhasDeModem(errno))
            return true;
        Falhar("read DSR of", posix::UltimoErro());
    }
    return (linhas & TIOCM_DSR) != 0;
}

std::size_t SerialPort::BytesWaiting() {
    if (!IsOpen())
        return 0;
    int naFila = 0;
    if (::ioctl(fEstado->fd, FIONREAD, &naFila) != 0)
        Falhar("count the input of", posix::UltimoErro());
    return fEstado->recebido->Pending() + static_cast<std::size_t>(naFila < 0 ? 0 : naFila);
}

int SerialPort::SendBuffer(std::string_view dados) {
    if (!IsOpen())
        Falhar("write to", std::make_error_code(std::errc::bad_file_descriptor));
    if (dados.empty())
        return 0;
    if (fLimite > 0) {
        // At most a tenth of a second's worth per call, then the pause that keeps the rate.
        std::size_t porVez = std::max<std::size_t>(1, static_cast<std::size_t>(fLimite) / 10);
        dados = dados.substr(0, porVez);
    }
    Status(HR_CanWrite, std::to_string(fTempoEscrita));
    int pronto = posix::Esperar(fEstado->fd, POLLOUT, fTempoEscrita);
    if (pronto < 0)
        Falhar("write to", posix::UltimoErro());
    if (pronto == 0)
        return 0;
    ssize_t escritos = ::write(fEstado->fd, dados.data(), dados.size());
    if (escritos < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        Falhar("write to", posix::UltimoErro());
    }
    Status(HR_WriteCount, std::to_string(escritos));
    if (fLimite > 0 && escritos > 0) {
        auto pausa = static_cast<std::uint32_t>(escritos * 1000 / fLimite);
        Status(HR_Wait, std::to_string(pausa));
        CurrentClock().Dormir(pausa);
    }
    return static_cast<int>(escritos);
}

void SerialPort::SendByte(char byte) {
    if (SendBuffer(std::string_view(&byte, 1)) != 1)
        Falhar("write to", std::make_error_code(std::errc::timed_out));
}

std::string SerialPort::RecvPacket(int milissegundos) {
    if (!IsOpen())
        Falhar("read from", std::make_error_code(std::errc::bad_file_descriptor));
    return fEstado->recebido->Packet(milissegundos);
}

std::string SerialPort::RecvExact(std::size_t n, int milissegundos) {
    if (!IsOpen())
        Falhar("read from", std::make_error_code(std::errc::bad_file_descriptor));
    return fEstado->recebido->Exact(n, milissegundos);
}

std::string SerialPort::RecvUntil(std::string_view terminador, int milissegundos) {
    if (!IsOpen())
        Falhar("read from", std::make_error_code(std::errc::bad_file_descriptor));
    return fEstado->recebido->Until(terminador, milissegundos);
}

char SerialPort::RecvByte(int milissegundos) {
    if (!IsOpen())
        Falhar("read from", std::make_error_code(std::errc::bad_file_descriptor));
    return fEstado->recebido->Byte(milissegundos);
}

void SerialPort::PurgeInput() {
    if (!IsOpen())
        return;
    fEstado->recebido->Clear();
    if (::tcflush(fEstado->fd, TCIFLUSH) != 0)
        Falhar("purge", posix::UltimoErro());
}

void SerialPort::Purge() {
    if (!IsOpen())
        return;
    fEstado->recebido->Clear();
    if (::tcflush(fEstado->fd, TCIOFLUSH) != 0)
        Falhar("purge", posix::UltimoErro());
}

void SerialPort::Close() {
    std::error_code erro;
    Close(erro);
    if (erro)
        Falhar("close", erro);
}

void SerialPort::Close(std::error_code& erro) {
    erro.clear();
    if (!IsOpen())
        return;
    int fd = fEstado->fd;
    fEstado->fd = -1;
    fEstado->recebido.reset();
    // Linux frees the descriptor even when close reports EINTR, so it is never retried.
    if (::close(fd) != 0 && errno != EINTR) {
        erro = posix::UltimoErro();
        fUltimoErro = erro;
    }
    Status(HR_SerialClose, fNome);
}

std::string SerialPortPath(const std::string& nome) {
    // COM1 is the first UART, as on the machines where these names come from.
    if (nome.size() > 3 && (nome[0] == 'C' || nome[0] == 'c') && (nome[1] == 'O' || nome[1] == 'o') &&
        (nome[2] == 'M' || nome[2] == 'm')) {
        int numero = 0;
        bool soDigitos = true;
        for (std::size_t i = 3; i < nome.size() && soDigitos; ++i) {
            if (nome[i] < '0' || nome[i] > '9' || numero > 9999)
                soDigitos = false;
            else
                numero = numero * 10 + (nome[i] - '0');
        }
        if (soDigitos && numero >= 1)
            return "/dev/ttyS" + std::to_string(numero - 1);
    }
    return nome;
}

namespace {

// A UART node exists for every slot the kernel reserved; only one with hardware behind it is a port.
bool UartPresente(const std::string& caminho) {
    int fd = ::open(caminho.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY || errno == EACCES; // there, but held or forbidden: still a port
    serial_struct info{};
    bool presente = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return presente;
}

} // namespace

std::vector<std::string> ListSerialPorts() {
    namespace fs = std::filesystem;
    std::vector<std::string> portas;
    std::error_code erro;
    fs::directory_iterator it("/sys/class/tty", erro);
    if (erro)
        return portas;
    for (const auto& entrada : it) {
        std::string nome = entrada.path().filename().string();
        std::error_code e2;
        // Virtual terminals and pseudo-terminals have no device behind them.
        if (!fs::exists(entrada.path() / "device", e2))
            continue;
        std::string caminho = "/dev/" + nome;
        if (!fs::exists(caminho, e2))
            continue;
        std::string driver = fs::read_symlink(entrada.path() / "device" / "driver", e2).filename().string();
        if (driver == "serial8250" && !UartPresente(caminho))
            continue;
        portas.push_back(caminho);
    }
    // ttyS2 before ttyS10: by prefix, then by number.
    auto chave = [](const std::string& p) {
        std::size_t fim = p.size();
        while (fim > 0 && p[fim - 1] >= '0' && p[fim - 1] <= '9')
            --fim;
        long numero = fim < p.size() ? std::stol(p.substr(fim)) : -1;
        return std::make_pair(p.substr(0, fim), numero);
    };
    std::sort(portas.begin(), portas.end(),
              [&](const std::string& a, const std::string& b) { return chave(a) < chave(b); });
    return portas;
}

} // namespace platform
