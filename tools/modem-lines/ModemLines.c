/* Preloaded into the bench's processes: answers the four modem-line requests that Linux refuses on
 * a pty, from the shared line table, so a pty behaves as a serial line with DTR, RTS, DSR, CTS and
 * DCD. On an end of a paced cable the output count, purge and drain requests also count in, drop
 * or wait for its transmit queue. Every other request, and these wherever the kernel answers them
 * (a real tty), go to the real call untouched. */
#define _GNU_SOURCE
#include "LineTable.h"
#include "PacedOutput.h"

#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <sys/ioctl.h>
#include <termios.h>

typedef int (*ioctl_function)(int, unsigned long, ...);

static int is_modem_request(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

/* The kernel refused REQUEST on FD: answer it if FD is a pty, else give the refusal back. */
static int answer_as_serial_line(int fd, unsigned long request, int* lines, int refusal) {
    int n = pty_number_of_fd(fd);
    if (n < 0 || !lines) {
        errno = refusal;
        return -1;
    }
    struct line_table* table = line_table_shared();
    switch (request) {
        case TIOCMGET:
            *lines = (int)line_status(table, n);
            break;
        case TIOCMSET:
            line_assert(table, n, (uint32_t)*lines, ~(uint32_t)*lines);
            break;
        case TIOCMBIS:
            line_assert(table, n, (uint32_t)*lines, 0);
            break;
        default:
            line_assert(table, n, 0, (uint32_t)*lines);
            break;
    }
    return 0;
}

static int is_output_request(unsigned long request) {
    return request == TIOCOUTQ || request == TCFLSH || request == TCSBRK;
}

static int forward(const char* name, ioctl_function* real, int fd, unsigned long request, void* arg) {
    ioctl_function function = __atomic_load_n(real, __ATOMIC_ACQUIRE);
    if (!function) {
        function = (ioctl_function)dlsym(RTLD_NEXT, name);
        if (!function) {
            errno = ENOSYS;
            return -1;
        }
        __atomic_store_n(real, function, __ATOMIC_RELEASE);
    }
    const int end = is_output_request(request) && paced_sending() ? paced_end(fd) : -1;
    /* TCFLSH and TCSBRK take their argument by value. */
    const intptr_t value = (intptr_t)arg;
    if (end >= 0 && request == TCFLSH && (value == TCOFLUSH || value == TCIOFLUSH))
        paced_purge(end);
    if (end >= 0 && request == TCSBRK)
        paced_drain(end); /* a drain (or a break, which the kernel sends after the output) */
    int result = function(fd, request, arg);
    if (result == 0 && end >= 0 && request == TIOCOUTQ && arg)
        *(int*)arg += (int)paced_queued(end);
    if (result == -1 && is_modem_request(request) && (errno == ENOTTY || errno == EINVAL))
        return answer_as_serial_line(fd, request, arg, errno);
    return result;
}

int ioctl(int fd, unsigned long request, ...) {
    static ioctl_function real;
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    return forward("ioctl", &real, fd, request, arg);
}

/* What 32-bit programs built with a 64-bit time_t call instead (Wine's 32-bit half among them). */
int __ioctl_time64(int fd, unsigned long request, ...) {
    static ioctl_function real;
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    return forward("__ioctl_time64", &real, fd, request, arg);
}
