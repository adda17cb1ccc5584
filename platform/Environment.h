#pragma once

#include <optional>
#include <string>

namespace platform {

std::optional<std::string> GetEnv(const std::string& nome);
void SetEnv(const std::string& nome, const std::string& valor);
void UnsetEnv(const std::string& nome);

// Writes a variable for the current user and for this process. On Windows it goes to the user's
// environment in the registry and the change is announced to the running programs; on POSIX systems
// a user has no such store, so it is this process's environment (and what it starts). False when the
// variable could not be stored; it never throws.
bool SetUserEnv(const std::string& nome, const std::string& valor);

} // namespace platform
