#include "Currency.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace platform {

Currency Currency::FromDouble(double valor) {
    if (std::isnan(valor))
        return Currency();
    // nearbyint rounds in the current mode, which the program never changes from to-nearest-even.
    const double escalado = std::nearbyint(valor * Escala);
    constexpr double limite = 9.2e18;
    if (escalado >= limite)
        return Currency(std::numeric_limits<std::int64_t>::max());
    if (escalado <= -limite)
        return Currency(std::numeric_limits<std::int64_t>::min());
    return Currency(static_cast<std::int64_t>(escalado));
}

double RoundTo(double valor, int casas) {
    const double fator = std::pow(10.0, casas);
    return std::nearbyint(valor * fator) / fator;
}

} // namespace platform
