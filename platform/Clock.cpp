#include "Clock.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Clock*> gRelogio{nullptr};
}

Clock& CurrentClock() {
    Clock* r = gRelogio.load(std::memory_order_acquire);
    return r ? *r : SystemClock();
}

void SetCurrentClock(Clock* relogio) {
    gRelogio.store(relogio, std::memory_order_release);
}

} // namespace platform
