#pragma once

// Internal to the POSIX build: waiting on a descriptor and reading what arrived, shared by the
// serial port and the TCP socket.

#include "platform/Clock.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace platform::posix {

inline std::error_code UltimoErro() {
    return {errno, std::generic_category()};
}

// Waits for the events; a signal does not cut the wait short. 1 ready (or an error or hang-up to
// be read), 0 time-out, -1 failure with errno set.
inline int Esperar(int fd, short eventos, int milissegundos) {
    std::uint64_t prazo =
        SystemClock().Ticks() + static_cast<std::uint64_t>(milissegundos < 0 ? 0 : milissegundos);
    for (;;) {
        std::uint64_t agora = SystemClock().Ticks();
        int resta = prazo > agora ? static_cast<int>(prazo - agora) : 0;
        pollfd p{fd, eventos, 0};
        int r = ::poll(&p, 1, resta);
        if (r >= 0)
            return r > 0 ? 1 : 0;
        if (errno != EINTR)
            return -1;
    }
}

enum class Leitura { Dados, Nada, Fechado, Erro };

// Reads what is there after waiting at most the time-out for it to come.
inline Leitura LerDisponivel(int fd, int milissegundos, std::string& destino) {
    int pronto = Esperar(fd, POLLIN, milissegundos);
    if (pronto < 0)
        return Leitura::Erro;
    if (pronto == 0)
        return Leitura::Nada;
    char bloco[4096];
    for (;;) {
        ssize_t lidos = ::read(fd, bloco, sizeof bloco);
        if (lidos > 0) {
            destino.append(bloco, static_cast<std::size_t>(lidos));
            return Leitura::Dados;
        }
        if (lidos == 0)
            return Leitura::Fechado;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return Leitura::Nada;
        return Leitura::Erro;
    }
}

} // namespace platform::posix
