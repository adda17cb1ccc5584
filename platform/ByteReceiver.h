#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The three ways a port is read (everything that came, an exact count, up to a terminator) on top
// of one primitive that waits for whatever arrives next. Bytes the caller did not ask for stay here
// for the next read, so a reply that arrives in one packet together with the next is never lost.
class ByteReceiver {
public:
    // Waits at most `milissegundos` for bytes and returns them; empty when none came in time.
    // Throws on a failure of the port (a closed peer included).
    using Fonte = std::function<std::string(int milissegundos)>;
    // Raises the caller's time-out error; it never returns.
    using ErroTempo = std::function<void(int milissegundos)>;

    ByteReceiver(Fonte fonte, ErroTempo erroTempo)
        : fFonte(std::move(fonte)), fErroTempo(std::move(erroTempo)) {}

    // Whatever is already here; when nothing is, waits up to the time-out for the next arrival.
    std::string Packet(int milissegundos);
    // Exactly n bytes; on a time-out nothing is returned and what did arrive stays for the next read.
    std::string Exact(std::size_t n, int milissegundos);
    // What precedes the terminator, which is consumed; the bytes after it stay.
    std::string Until(std::string_view terminador, int milissegundos);
    char Byte(int milissegundos);

    std::size_t Pending() const { return fPendente.size(); }
    void Clear() { fPendente.clear(); }

private:
    // Adds what arrives within the time left before `prazo` (a Ticks value); false when none did.
    bool Receber(std::uint64_t prazo);
    [[noreturn]] void Esgotou(int milissegundos);

    Fonte fFonte;
    ErroTempo fErroTempo;
    std::string fPendente;
};

} // namespace platform
