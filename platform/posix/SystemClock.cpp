#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

class RelogioDoSistema final : public Clock {
public:
    TDateTime Agora() override {
        timespec agora{};
        ::clock_gettime(CLOCK_REALTIME, &agora);
        std::tm local{};
        ::localtime_r(&agora.tv_sec, &local);
        // A leap second (tm_sec 60) has no place in the program's dates; it reads as the one before.
        int segundo = local.tm_sec > 59 ? 59 : local.tm_sec;
        auto data = EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                   local.tm_min, segundo, static_cast<int>(agora.tv_nsec / 1000000));
        return data.value_or(TDateTime{});
    }

    std::uint64_t Ticks() override {
        timespec agora{};
        ::clock_gettime(CLOCK_MONOTONIC, &agora);
        return static_cast<std::uint64_t>(agora.tv_sec) * 1000u +
               static_cast<std::uint64_t>(agora.tv_nsec) / 1000000u;
    }

    void Dormir(std::uint32_t milissegundos) override {
        timespec resta{static_cast<time_t>(milissegundos / 1000),
                       static_cast<long>(milissegundos % 1000) * 1000000L};
        // A signal cuts the sleep short; the caller asked for the whole of it.
        while (::nanosleep(&resta, &resta) != 0 && errno == EINTR) {
        }
    }
};

} // namespace

Clock& SystemClock() {
    static RelogioDoSistema relogio;
    return relogio;
}

} // namespace platform
