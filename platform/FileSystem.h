#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

// Folders are returned without a trailing separator; IncludeTrailingPathDelimiter adds one.
std::string CurrentDirectory();
std::string ExecutableDirectory();
std::string IncludeTrailingPathDelimiter(std::string_view pasta);
std::string ExtractFileDir(std::string_view caminho);
std::string ExtractFileName(std::string_view caminho);

bool FileExists(const std::string& caminho);
bool DirectoryExists(const std::string& caminho);

// Names (not paths) of the regular files in `pasta` that match `mascara` ("*" and "?"), in name
// order. A missing folder lists nothing.
std::vector<std::string> ListFiles(const std::string& pasta, const std::string& mascara);

// Creates the folder and any missing parents; throws PlatformError.
void CreateDirectories(const std::string& pasta);

// False when the file did not exist; throws PlatformError on any other failure.
bool DeleteFile(const std::string& caminho);

// Whole content as bytes. Throws PlatformError naming the file.
std::string ReadFile(const std::string& caminho);
bool ReadFile(const std::string& caminho, std::string& conteudo, std::error_code& erro);

// Replaces the whole content durably: a temporary file beside it is written, flushed to disk and
// renamed over the old one, so a crash leaves either the old content or the new.
void WriteFileDurable(const std::string& caminho, std::string_view conteudo);

// Appends (creating the file, not its folder); for logs.
void AppendFile(const std::string& caminho, std::string_view conteudo);

} // namespace platform
