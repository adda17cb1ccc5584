#pragma once

#include "DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperAscii(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);

// Control bytes spelled out for log lines: "[ESC]", "[LF]", "[200]"...
std::string ToLogText(std::string_view bytes);

// The "\x" byte escape: bytes below 32 and from 128 up become "\x" and two upper-case hex digits.
std::string EscapeBinary(std::string_view bytes);
// Undoes EscapeBinary; a "\x" not followed by two hex digits (either case) stays as it is.
std::string UnescapeBinary(std::string_view texto);

// Whole numbers; empty when the (already trimmed) text is not entirely a number in range.
std::optional<std::int32_t> ParseInt32(std::string_view texto);
std::optional<std::int64_t> ParseInt64(std::string_view texto);

// The general number format: up to 15 significant digits, no grouping, the given decimal
// separator, no exponent for ordinary amounts (19.99 -> "19,99"; 0 -> "0").
std::string FormatGeneral(double valor, char separadorDecimal);
// Reads a decimal written with FormatGeneral. '.' and the given separator are both accepted as the
// decimal point, so a file written under another locale still reads. Empty when it does not parse.
std::optional<double> ParseDecimal(std::string_view texto, char separadorDecimal);

// One line of the TEF log: "dd/mm/yy hh:nn:ss:zzz - " + text + CR LF.
std::string FormatTefLogLine(TDateTime quando, std::string_view texto);

} // namespace platform
