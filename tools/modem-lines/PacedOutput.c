/* The transmit queues of this process's paced pty ends, and their sender threads. A queue lives in
 * this process, beside the program that writes, as a UART's transmit buffer lives beside its port:
 * the calls that look at it (the output count, a purge, a drain) come from that program too. */
#define _GNU_SOURCE
#include "PacedOutput.h"

#include "ByteTime.h"
#include "LineTable.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdint.h>
#include <sys/syscall.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

/* Paced ends one process sends on at once; a write to one more passes unpaced. */
#define PACED_LINES 16
#define SENDER_STACK_BYTES (64 * 1024)
#define NS_PER_MS 1000000ull

struct paced_line {
    int end_plus_one; /* 0: a free slot */
    int fd;           /* the sender's own descriptor of the end: the program may close its own */
    unsigned char queue[PACED_QUEUE_BYTES];
    size_t head, count;
    uint64_t head_leaves; /* when the first queued byte will have left */
    uint64_t line_free;   /* when the last byte taken off the queue will have left */
};

/* A slot is in use exactly while its sender runs; all of it is guarded by lines_lock. */
static struct paced_line lines[PACED_LINES];
static pthread_mutex_t lines_lock = PTHREAD_MUTEX_INITIALIZER;
static int lines_in_use; /* written under the lock, read without it */

/* Signals stay blocked while the lock is held: Wine's signal handlers write to ports too, and one
 * that interrupted the holder would wait for itself. */
static void lock(sigset_t* saved) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, saved);
    pthread_mutex_lock(&lines_lock);
}

static void unlock(const sigset_t* saved) {
    pthread_mutex_unlock(&lines_lock);
    pthread_sigmask(SIG_SETMASK, saved, NULL);
}

static uint64_t now_ns(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000000ull + (uint64_t)now.tv_nsec;
}

static void sleep_until(uint64_t when) {
    struct timespec until = {(time_t)(when / 1000000000ull), (long)(when % 1000000000ull)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR) {
    }
}

static uint64_t byte_time_of(int fd) {
    struct termios settings;
    return tcgetattr(fd, &settings) == 0 ? byte_time_ns(&settings) : 0;
}

ssize_t unpaced_write(int fd, const void* bytes, size_t count) { return syscall(SYS_write, fd, bytes, count); }

int paced_end(int fd) {
    struct line_table* table = line_table_shared();
    if (!line_any_paced(table))
        return -1;
    int saved = errno;
    int n = pty_number_of_fd(fd);
    errno = saved;
    return n >= 0 && line_paced(table, n) ? n : -1;
}

/* The slot of END; line_of(-1) is a free one. */
static struct paced_line* line_of(int end) {
    for (size_t i = 0; i < PACED_LINES; ++i)
        if (lines[i].end_plus_one == end + 1)
            return &lines[i];
    return NULL;
}

/* Hands the bytes to the kernel, which passes them to the far end at once; fails only when the
 * line is gone (the cable's socat ended). */
static int hand_over(int fd, const unsigned char* bytes, size_t count) {
    while (count > 0) {
        ssize_t sent = unpaced_write(fd, bytes, count);
        if (sent > 0) {
            bytes += sent;
            count -= (size_t)sent;
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return -1;
        struct pollfd writable = {fd, POLLOUT, 0};
        poll(&writable, 1, 10);
    }
    return 0;
}

/* Takes each byte off the queue when its last bit has left, and ends once the queue is empty. */
static void* send_paced(void* argument) {
    struct paced_line* line = argument;
    unsigned char due[PACED_QUEUE_BYTES];
    sigset_t saved;
    for (;;) {
        size_t n = 0;
        lock(&saved);
        const int fd = line->fd;
        const uint64_t now = now_ns();
        while (line->count > 0 && line->head_leaves <= now) {
            due[n++] = line->queue[line->head];
            line->head = (line->head + 1) % PACED_QUEUE_BYTES;
            --line->count;
            line->line_free = line->head_leaves;
            if (line->count > 0)
                line->head_leaves += byte_time_of(fd);
        }
        unlock(&saved);
        /* Handed over before the slot can be freed: a sender started after this one sends after it. */
        const int gone = hand_over(fd, due, n) != 0;
        lock(&saved);
        if (gone)
            line->count = 0;
        if (line->count == 0) {
            line->end_plus_one = 0;
            __atomic_fetch_sub(&lines_in_use, 1, __ATOMIC_RELEASE);
            unlock(&saved);
            close(fd);
            return NULL;
        }
        const uint64_t wake = line->head_leaves;
        unlock(&saved);
        sleep_until(wake);
    }
}

/* A slot for END with a sender of its own, or NULL when there is no room or no thread. Called with
 * the lock held and every signal blocked, which the sender inherits: Wine's handlers must never
 * run on a thread Wine does not know. */
static struct paced_line* start_line(int fd, int end) {
    struct paced_line* line = line_of(-1);
    if (!line)
        return NULL;
    line->fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (line->fd < 0)
        return NULL;
    line->head = 0;
    line->count = 0;
    line->line_free = 0;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, SENDER_STACK_BYTES);
    pthread_t sender;
    const int failed = pthread_create(&sender, &attributes, send_paced, line);
    pthread_attr_destroy(&attributes);
    if (failed) {
        close(line->fd);
        return NULL;
    }
    line->end_plus_one = end + 1;
    __atomic_fetch_add(&lines_in_use, 1, __ATOMIC_RELEASE);
    return line;
}

ssize_t paced_write(int fd, int end, const void* bytes, size_t count) {
    /* A write to a line that is gone fails as the kernel says, not later in the sender. */
    if (unpaced_write(fd, bytes, 0) < 0)
        return -1;
    const unsigned char* from = bytes;
    size_t taken = 0;
    sigset_t saved;
    for (;;) {
        lock(&saved);
        struct paced_line* line = line_of(end);
        if (!line)
            line = start_line(fd, end);
        if (!line) {
            unlock(&saved);
            return taken > 0 ? (ssize_t)taken : unpaced_write(fd, from, count);
        }
        const size_t room = PACED_QUEUE_BYTES - line->count;
        const size_t part = count - taken < room ? count - taken : room;
        if (part > 0 && line->count == 0) {
            const uint64_t now = now_ns();
            line->head_leaves = (line->line_free > now ? line->line_free : now) + byte_time_of(fd);
        }
        for (size_t i = 0; i < part; ++i)
            line->queue[(line->head + line->count + i) % PACED_QUEUE_BYTES] = from[taken + i];
        line->count += part;
        taken += part;
        unlock(&saved);
        if (taken == count)
            return (ssize_t)taken;
        if (fcntl(fd, F_GETFL) & O_NONBLOCK) {
            if (taken > 0)
                return (ssize_t)taken;
            errno = EAGAIN;
            return -1;
        }
        sleep_until(now_ns() + NS_PER_MS);
    }
}

int paced_sending(void) { return __atomic_load_n(&lines_in_use, __ATOMIC_ACQUIRE) > 0; }

size_t paced_queued(int end) {
    sigset_t saved;
    lock(&saved);
    const struct paced_line* line = line_of(end);
    const size_t queued = line ? line->count : 0;
    unlock(&saved);
    return queued;
}

void paced_purge(int end) {
    sigset_t saved;
    lock(&saved);
    struct paced_line* line = line_of(end);
    if (line) {
        line->count = 0;
        line->line_free = now_ns();
    }
    unlock(&saved);
}

void paced_drain(int end) {
    sigset_t saved;
    for (;;) {
        lock(&saved);
        const int sending = line_of(end) != NULL;
        unlock(&saved);
        if (!sending)
            return;
        sleep_until(now_ns() + NS_PER_MS);
    }
}
