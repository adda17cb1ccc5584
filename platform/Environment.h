#pragma once

#include <optional>
#include <string>

namespace platform {

std::optional<std::string> GetEnv(const std::string& nome);
void SetEnv(const std::string& nome, const std::string& valor);
void UnsetEnv(const std::string& nome);

} // namespace platform
