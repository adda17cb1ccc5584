#pragma once

// Internal to the POSIX build: how a serial configuration becomes termios settings. Kept apart so
// that the settings can be checked where they are built; a pseudo-terminal keeps neither parity
// nor data bits, so a test through a real port could not see them.

#include "platform/SerialPort.h"

#include <termios.h>

namespace platform::posix {

// The termios constant of a standard rate, or B0 when the rate needs the free-rate call.
speed_t StandardSpeed(int baud);

// Raw mode (no echo, no line editing, no translation of bytes) with the given framing and flow
// control. The speed is set with the standard constant, or left for SetFreeBaud when there is none.
void BuildTermios(termios& t, const SerialConfig& config);

// Sets a rate that has no standard constant (for example 250000) through termios2. Returns 0, or
// -1 with errno set.
int SetFreeBaud(int fd, int baud);

} // namespace platform::posix
