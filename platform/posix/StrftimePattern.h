#pragma once

#include <string>
#include <string_view>

namespace platform::posix {

// The C library's date and time formats (strftime notation: "%d/%m/%Y", "%r") in FormatDateTime's
// pattern notation ("dd/mm/yyyy", "hh:nn:ss"). The program keeps 24-hour time throughout, so an
// AM/PM format becomes its 24-hour form. Empty when nothing in the format has a place in a pattern.
std::string StrftimeToPattern(std::string_view formato);

} // namespace platform::posix
