#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A date and time of day as one value: days since 30/12/1899, the fraction being the time of day.
// The zero value means "no date" throughout the program, so it is what a cleared field holds.
struct TDateTime {
    double dias = 0.0;

    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double d) : dias(d) {}

    constexpr bool Vazio() const { return dias == 0.0; }
    friend constexpr bool operator==(TDateTime, TDateTime) = default;
    friend constexpr auto operator<=>(TDateTime, TDateTime) = default;
};

struct DataDecodificada {
    int ano = 0, mes = 0, dia = 0;
    int hora = 0, minuto = 0, segundo = 0, milissegundo = 0;
};

bool DataValida(int ano, int mes, int dia);
bool HoraValida(int hora, int minuto, int segundo, int milissegundo = 0);

// Empty when the date or time is out of range.
std::optional<TDateTime> EncodeDate(int ano, int mes, int dia);
std::optional<TDateTime> EncodeTime(int hora, int minuto, int segundo, int milissegundo = 0);
std::optional<TDateTime> EncodeDateTime(int ano, int mes, int dia, int hora, int minuto, int segundo,
                                        int milissegundo = 0);
DataDecodificada DecodeDateTime(TDateTime dt);

// Formats with a date pattern in the program's own notation: "d", "dd", "m", "mm", "yy", "yyyy",
// "h", "hh", "n", "nn", "s", "ss", "z", "zzz"; any other character is copied, and text between
// double quotes is copied as it stands. "/" and ":" are literal separators.
std::string FormatDateTime(std::string_view padrao, TDateTime dt);

// Reads a date and/or time written with FormatDateTime's pattern (numbers may be one digit shorter
// or longer than their token, as people type them). Empty when the text does not fit.
std::optional<TDateTime> ParseDateTime(std::string_view padrao, std::string_view texto);

} // namespace platform
