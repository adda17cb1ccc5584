#pragma once

#include "DateTime.h"

#include <cstdint>

namespace platform {

// Wall clock, tick counter and sleep behind one interface, so that tests place "now" and never wait.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Agora() = 0;     // local date and time
    virtual std::uint64_t Ticks() = 0; // monotonic milliseconds
    virtual void Dormir(std::uint32_t milissegundos) = 0;
};

// The operating system's clock.
Clock& SystemClock();

// The clock the program uses; the system clock unless a test installed another. The caller keeps
// ownership of an installed clock; passing nullptr restores the system clock.
Clock& CurrentClock();
void SetCurrentClock(Clock* relogio);

inline TDateTime Now() {
    return CurrentClock().Agora();
}

} // namespace platform
