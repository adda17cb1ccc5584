#include "platform/PortFile.h"

#include "PollFd.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

PortFile::~PortFile() {
    std::error_code ignorado;
    Close(ignorado);
}

void PortFile::Falhar(const std::string& acao, std::error_code codigo) {
    throw PlatformError("cannot " + acao + " '" + fCaminho + "': " + codigo.message(), codigo);
}

void PortFile::Open(const std::string& caminho, Modo modo, bool exclusivo) {
    std::error_code erro;
    Open(caminho, modo, exclusivo, erro);
    if (erro)
        Falhar("open", erro);
}

void PortFile::Open(const std::string& caminho, Modo modo, bool exclusivo, std::error_code& erro) {
    erro.clear();
    std::error_code ignorado;
    Close(ignorado);
    fCaminho = caminho;
    // Non-blocking, so that a device that stops taking data (a printer out of paper, a pipe nobody
    // reads) never holds a write that has been asked to give up.
    int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC;
    if (modo == Anexar)
        flags |= O_CREAT | O_APPEND;
    else if (modo == Criar)
        flags |= O_CREAT | O_TRUNC;
    // A missing device must stay missing: creating a plain file in its place would swallow receipts.
    int fd = ::open(caminho.c_str(), flags, 0666);
    if (fd < 0) {
        erro = posix::UltimoErro();
        return;
    }
    if (exclusivo && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        erro = errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : posix::UltimoErro();
        ::close(fd);
        return;
    }
    fFd = fd;
}

std::size_t PortFile::Write(std::string_view dados, const std::atomic<bool>* parar) {
    if (fFd < 0)
        Falhar("write to", std::make_error_code(std::errc::bad_file_descriptor));
    std::size_t escritos = 0;
    while (escritos < dados.size()) {
        if (parar != nullptr && parar->load())
            return escritos;
        ssize_t n = ::write(fFd, dados.data() + escritos, dados.size() - escritos);
        if (n > 0) {
            escritos += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            Falhar("write to", posix::UltimoErro());
        // The device is full: wait in short rounds, so that a request to stop is seen soon.
        if (posix::Esperar(fFd, POLLOUT, 20) < 0)
            Falhar("write to", posix::UltimoErro());
    }
    return escritos;
}

void PortFile::Close() {
    std::error_code erro;
    Close(erro);
    if (erro)
        Falhar("close", erro);
}

void PortFile::Close(std::error_code& erro) {
    erro.clear();
    if (fFd < 0)
        return;
    int fd = fFd;
    fFd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        erro = posix::UltimoErro();
}

std::string ParallelPortPath(const std::string& nome) {
    if (nome.size() > 3 && (nome[0] == 'L' || nome[0] == 'l') && (nome[1] == 'P' || nome[1] == 'p') &&
        (nome[2] == 'T' || nome[2] == 't')) {
        int numero = 0;
        for (std::size_t i = 3; i < nome.size(); ++i) {
            if (nome[i] < '0' || nome[i] > '9' || numero > 9999)
                return nome;
            numero = numero * 10 + (nome[i] - '0');
        }
        if (numero >= 1)
            return "/dev/lp" + std::to_string(numero - 1);
    }
    return nome;
}

std::vector<std::string> ListParallelPorts() {
    std::vector<std::string> portas;
    for (const char* padrao : {"/dev/lp[0-9]*", "/dev/usb/lp[0-9]*"}) {
        glob_t achados{};
        if (::glob(padrao, 0, nullptr, &achados) == 0)
            for (std::size_t i = 0; i < achados.gl_pathc; ++i)
                portas.emplace_back(achados.gl_pathv[i]);
        ::globfree(&achados);
    }
    return portas;
}

} // namespace platform
