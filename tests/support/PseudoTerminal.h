#pragma once

// A pseudo-terminal pair standing in for a serial printer: the port under test opens the
// subordinate end by its name, the test reads and answers on the main end.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

class PseudoTerminal {
public:
    PseudoTerminal() {
        fMestre = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fMestre < 0 || ::grantpt(fMestre) != 0 || ::unlockpt(fMestre) != 0)
            throw std::runtime_error("no pseudo-terminal");
        fNome = ::ptsname(fMestre);
        // Held open here too, so that the pair lives while ports come and go.
        fEscravo = ::open(fNome.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(fEscravo, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fEscravo, TCSANOW, &t);
    }
    ~PseudoTerminal() {
        ::close(fEscravo);
        ::close(fMestre);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& Nome() const { return fNome; }
    void Escrever(const std::string& s) {
        if (::write(fMestre, s.data(), s.size()) != static_cast<ssize_t>(s.size()))
            throw std::runtime_error("pty write failed");
    }
    // Up to `quanto` bytes of what the port sent; stops when nothing more comes within `esperaMs`.
    std::string Ler(std::size_t quanto, int esperaMs = 1000) {
        std::string s;
        while (s.size() < quanto) {
            pollfd p{fMestre, POLLIN, 0};
            if (::poll(&p, 1, esperaMs) <= 0)
                break;
            char b[4096];
            ssize_t n = ::read(fMestre, b, std::min(sizeof b, quanto - s.size()));
            if (n <= 0)
                break;
            s.append(b, static_cast<std::size_t>(n));
        }
        return s;
    }

private:
    int fMestre = -1;
    int fEscravo = -1;
    std::string fNome;
};

} // namespace testsupport
