#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace platform {

// A failure reported by the operating system, with the system's own text.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const std::string& mensagem, std::error_code codigo = {})
        : std::runtime_error(mensagem), fCodigo(codigo) {}
    std::error_code Codigo() const { return fCodigo; }

private:
    std::error_code fCodigo;
};

} // namespace platform
