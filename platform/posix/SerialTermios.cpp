#include "SerialTermios.h"

namespace platform::posix {

speed_t StandardSpeed(int baud) {
    struct Par {
        int baud;
        speed_t constante;
    };
    static constexpr Par tabela[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Par& p : tabela)
        if (p.baud == baud)
            return p.constante;
    return B0;
}

void BuildTermios(termios& t, const SerialConfig& config) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (config.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }

    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | ISTRIP);
    switch (config.parity) {
    case 'O':
        t.c_cflag |= PARENB | PARODD;
        break;
    case 'E':
        t.c_cflag |= PARENB;
        break;
    case 'M': // mark: the parity bit always 1
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 'S': // space: the parity bit always 0
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }

    // A UART sends one and a half stop bits when asked for two with five data bits; with more data
    // bits there is no such framing, and two is the nearest that a printer set to 1.5 still reads.
    if (config.stop == 1 || config.stop == 2)
        t.c_cflag |= CSTOPB;
    else
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);

    if (config.hardFlow)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    if (config.softFlow)
        t.c_iflag |= IXON | IXOFF;
    else
        t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);

    // Reads never block in the kernel; waiting is done with poll and our own time-outs.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    speed_t velocidade = StandardSpeed(config.baud);
    if (velocidade != B0) {
        ::cfsetispeed(&t, velocidade);
        ::cfsetospeed(&t, velocidade);
    }
}

} // namespace platform::posix
