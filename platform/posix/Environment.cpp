#include "platform/Environment.h"

#include "platform/PlatformError.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace platform {

std::optional<std::string> GetEnv(const std::string& nome) {
    const char* valor = std::getenv(nome.c_str());
    if (valor == nullptr)
        return std::nullopt;
    return std::string(valor);
}

void SetEnv(const std::string& nome, const std::string& valor) {
    if (::setenv(nome.c_str(), valor.c_str(), 1) != 0) {
        std::error_code codigo(errno, std::generic_category());
        throw PlatformError("cannot set environment variable '" + nome + "': " + codigo.message(), codigo);
    }
}

void UnsetEnv(const std::string& nome) {
    if (::unsetenv(nome.c_str()) != 0) {
        std::error_code codigo(errno, std::generic_category());
        throw PlatformError("cannot unset environment variable '" + nome + "': " + codigo.message(), codigo);
    }
}

bool SetUserEnv(const std::string& nome, const std::string& valor) {
    return ::setenv(nome.c_str(), valor.c_str(), 1) == 0;
}

} // namespace platform
