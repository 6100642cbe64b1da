/* Preloaded with the modem lines: the C library's purge and drain of a tty, and its write, wrapped so
 * that on an end of a paced cable they work on its transmit queue (PacedOutput.h). Wine's unix side
 * writes a COM port with write(2) from the calling thread, purges it with tcflush and drains it with
 * tcdrain (FlushFileBuffers); the C library's own tcflush and tcdrain make their ioctl inside it,
 * where no wrapper sees it, so these make it through this library's ioctl, as the C library would. */
#include "PacedOutput.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

ssize_t write(int fd, const void* bytes, size_t count) {
    const int end = count > 0 ? paced_end(fd) : -1;
    return end >= 0 ? paced_write(fd, end, bytes, count) : unpaced_write(fd, bytes, count);
}

int tcflush(int fd, int queue) { return ioctl(fd, TCFLSH, queue); }

int tcdrain(int fd) { return ioctl(fd, TCSBRK, 1); }
