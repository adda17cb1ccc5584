#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class CodePage { cp437, cp850, cp852, cp860, cp1252 };

// The system's single-byte ("ANSI") code page: TEF files and the sale file are written in it, so
// that a file written on Linux is byte for byte what a Windows installation writes.
CodePage AnsiCodePage();

// UTF-8 to single-byte: a character the code page lacks becomes '?'. Invalid UTF-8 bytes also
// become '?'.
std::string FromUtf8(std::string_view utf8, CodePage pagina);
// Single-byte to UTF-8: every byte maps to one character; bytes the code page leaves undefined
// map to the Unicode character of the same number, so nothing read is ever lost.
std::string ToUtf8(std::string_view bytes, CodePage pagina);

inline std::string AnsiToUtf8(std::string_view bytes) {
    return ToUtf8(bytes, AnsiCodePage());
}
inline std::string Utf8ToAnsi(std::string_view utf8) {
    return FromUtf8(utf8, AnsiCodePage());
}

} // namespace platform
