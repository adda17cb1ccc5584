#pragma once

#include <compare>
#include <cstdint>

namespace platform {

// Fixed-point amount: a signed 64-bit count of ten-thousandths.
class Currency {
public:
    static constexpr std::int64_t Escala = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(std::int64_t decimilesimos) { return Currency(decimilesimos); }
    // Multiplies by 10000 and rounds to the nearest integer, ties to even.
    static Currency FromDouble(double valor);
    static constexpr Currency FromCents(std::int64_t centavos) { return Currency(centavos * 100); }

    constexpr std::int64_t Raw() const { return fValor; }
    double ToDouble() const { return static_cast<double>(fValor) / Escala; }

    friend constexpr Currency operator+(Currency a, Currency b) { return Currency(a.fValor + b.fValor); }
    friend constexpr Currency operator-(Currency a, Currency b) { return Currency(a.fValor - b.fValor); }
    constexpr Currency& operator+=(Currency b) {
        fValor += b.fValor;
        return *this;
    }
    constexpr Currency& operator-=(Currency b) {
        fValor -= b.fValor;
        return *this;
    }
    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    constexpr explicit Currency(std::int64_t v) : fValor(v) {}
    std::int64_t fValor = 0;
};

// Rounds to the given number of decimal places, ties to even.
double RoundTo(double valor, int casas);

} // namespace platform
