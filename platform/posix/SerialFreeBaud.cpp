// Kept in a file of its own: the kernel's termios2 comes from <asm/termbits.h>, whose definitions
// clash with the C library's <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform::posix {

int SetFreeBaud(int fd, int baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &t);
}

} // namespace platform::posix
