#include "ByteReceiver.h"

#include "Clock.h"

#include <stdexcept>

namespace platform {

namespace {
// Waiting on a port is real waiting: the deadline follows the system's monotonic clock even while a
// test has placed the program's clock somewhere else.
std::uint64_t Agora() {
    return SystemClock().Ticks();
}

std::uint64_t Prazo(int milissegundos) {
    return Agora() + static_cast<std::uint64_t>(milissegundos > 0 ? milissegundos : 0);
}
} // namespace

bool ByteReceiver::Receber(std::uint64_t prazo) {
    std::uint64_t agora = Agora();
    int resta = prazo > agora ? static_cast<int>(prazo - agora) : 0;
    std::string chegou = fFonte(resta);
    fPendente += chegou;
    return !chegou.empty();
}

void ByteReceiver::Esgotou(int milissegundos) {
    fErroTempo(milissegundos);
    // The callback is meant to throw; should it not, a time-out still must not pass as data.
    throw std::runtime_error("time-out");
}

std::string ByteReceiver::Packet(int milissegundos) {
    if (fPendente.empty()) {
        if (!Receber(Prazo(milissegundos)))
            Esgotou(milissegundos);
    } else {
        fPendente += fFonte(0); // what is already on its way belongs to the same packet
    }
    std::string pacote;
    pacote.swap(fPendente);
    return pacote;
}

std::string ByteReceiver::Exact(std::size_t n, int milissegundos) {
    std::uint64_t prazo = Prazo(milissegundos);
    while (fPendente.size() < n) {
        if (!Receber(prazo) && Agora() >= prazo)
            Esgotou(milissegundos);
    }
    std::string parte = fPendente.substr(0, n);
    fPendente.erase(0, n);
    return parte;
}

std::string ByteReceiver::Until(std::string_view terminador, int milissegundos) {
    if (terminador.empty())
        return Packet(milissegundos);
    std::uint64_t prazo = Prazo(milissegundos);
    std::size_t procurarDe = 0;
    for (;;) {
        std::size_t achou = fPendente.find(terminador, procurarDe);
        if (achou != std::string::npos) {
            std::string antes = fPendente.substr(0, achou);
            fPendente.erase(0, achou + terminador.size());
            return antes;
        }
        // A terminator may straddle two arrivals: search again from just before the old end.
        procurarDe = fPendente.size() >= terminador.size() ? fPendente.size() - terminador.size() + 1 : 0;
        if (!Receber(prazo) && Agora() >= prazo)
            Esgotou(milissegundos);
    }
}

char ByteReceiver::Byte(int milissegundos) {
    return Exact(1, milissegundos)[0];
}

} // namespace platform
