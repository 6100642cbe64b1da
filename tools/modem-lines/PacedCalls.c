/* Preloaded with the modem lines: the C library's calls that send, purge and drain a tty, wrapped so
 * that on an end of a paced cable they work on its transmit queue (PacedOutput.h). Wine's unix side
 * writes a COM port with write(2) from the calling thread, purges it with tcflush and drains it with
 * tcdrain (FlushFileBuffers); the glibc versions of the last two reach the kernel without ioctl(). */
#define _GNU_SOURCE
#include "NextSymbol.h"
#include "PacedOutput.h"

#include <errno.h>
#include <termios.h>
#include <unistd.h>

typedef int (*flush_function)(int, int);
typedef int (*drain_function)(int);

ssize_t write(int fd, const void* bytes, size_t count) {
    const int end = count > 0 ? paced_end(fd) : -1;
    return end >= 0 ? paced_write(fd, end, bytes, count) : unpaced_write(fd, bytes, count);
}

int tcflush(int fd, int queue) {
    static void* real;
    flush_function function = (flush_function)next_symbol("tcflush", &real);
    if (!function) {
        errno = ENOSYS;
        return -1;
    }
    const int end = (queue == TCOFLUSH || queue == TCIOFLUSH) && paced_sending() ? paced_end(fd) : -1;
    if (end >= 0)
        paced_purge(end);
    return function(fd, queue);
}

int tcdrain(int fd) {
    static void* real;
    drain_function function = (drain_function)next_symbol("tcdrain", &real);
    if (!function) {
        errno = ENOSYS;
        return -1;
    }
    const int end = paced_sending() ? paced_end(fd) : -1;
    if (end >= 0)
        paced_drain(end);
    return function(fd);
}
