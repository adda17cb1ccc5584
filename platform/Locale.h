#pragma once

#include <string>

namespace platform {

// The user's regional settings that the program's files and result lines use. Date and time
// formats are patterns for FormatDateTime ("dd/mm/yyyy", "hh:nn:ss").
struct LocaleFormats {
    char separadorDecimal = '.';
    std::string formatoDataCurta = "mm/dd/yy";
    std::string formatoHoraLonga = "hh:nn:ss";
};

// Read afresh from the user's settings (on POSIX, LC_ALL / LC_NUMERIC / LC_TIME / LANG).
LocaleFormats UserLocaleFormats();

} // namespace platform
