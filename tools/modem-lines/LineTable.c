/* The shared modem-line table: mapping, pty numbers, the null-modem wiring and which cables are paced. */
#define _GNU_SOURCE
#include "LineTable.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#define OWN_LINES (TIOCM_DTR | TIOCM_RTS)
/* Linux numbers the subordinate ends of its ptys with these majors. */
#define PTY_FIRST_MAJOR 136
#define PTY_LAST_MAJOR 143

static struct line_table private_table;
static struct line_table* shared_table;

struct line_table* line_table_map(const char* path) {
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return NULL;
    struct stat st;
    /* Growing is harmless when another process already did; shrinking never happens. */
    if (fstat(fd, &st) != 0 ||
        (st.st_size < (off_t)sizeof(struct line_table) && ftruncate(fd, sizeof(struct line_table)) != 0)) {
        int saved = errno;
        close(fd);
        errno = saved;
        return NULL;
    }
    void* mapped = mmap(NULL, sizeof(struct line_table), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    int saved = errno;
    close(fd);
    errno = saved;
    return mapped == MAP_FAILED ? NULL : mapped;
}

struct line_table* line_table_shared(void) {
    struct line_table* table = __atomic_load_n(&shared_table, __ATOMIC_ACQUIRE);
    if (table)
        return table;
    const char* path = getenv("QUORVEX_MODEM_LINES");
    struct line_table* mapped = path && *path ? line_table_map(path) : NULL;
    if (!mapped)
        mapped = &private_table;
    struct line_table* expected = NULL;
    if (!__atomic_compare_exchange_n(&shared_table, &expected, mapped, 0, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
        if (mapped != &private_table)
            munmap(mapped, sizeof(struct line_table));
        return expected;
    }
    return mapped;
}

static int pty_number(const struct stat* st) {
    if (!S_ISCHR(st->st_mode))
        return -1;
    unsigned major_number = major(st->st_rdev);
    if (major_number < PTY_FIRST_MAJOR || major_number > PTY_LAST_MAJOR)
        return -1;
    unsigned n = (major_number - PTY_FIRST_MAJOR) * 256 + minor(st->st_rdev);
    return n < LINE_TABLE_PTYS ? (int)n : -1;
}

int pty_number_of_fd(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? pty_number(&st) : -1;
}

int pty_number_of_path(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 ? pty_number(&st) : -1;
}

uint32_t line_status(struct line_table* table, int n) {
    uint32_t status = __atomic_load_n(&table->own[n], __ATOMIC_ACQUIRE) & OWN_LINES;
    uint32_t far_end = __atomic_load_n(&table->far_end[n], __ATOMIC_ACQUIRE);
    if (far_end == 0 || far_end > LINE_TABLE_PTYS)
        return status;
    uint32_t far_lines = __atomic_load_n(&table->own[far_end - 1], __ATOMIC_ACQUIRE);
    if (far_lines & TIOCM_DTR)
        status |= TIOCM_DSR | TIOCM_CAR;
    if (far_lines & TIOCM_RTS)
        status |= TIOCM_CTS;
    return status;
}

void line_assert(struct line_table* table, int n, uint32_t set, uint32_t clear) {
    __atomic_fetch_or(&table->own[n], set & OWN_LINES, __ATOMIC_ACQ_REL);
    __atomic_fetch_and(&table->own[n], ~(clear & OWN_LINES), __ATOMIC_ACQ_REL);
}

void line_wire(struct line_table* table, int a, int b, int paced) {
    __atomic_store_n(&table->paced[a], paced != 0, __ATOMIC_RELEASE);
    __atomic_store_n(&table->paced[b], paced != 0, __ATOMIC_RELEASE);
    if (paced)
        __atomic_store_n(&table->some_paced, 1, __ATOMIC_RELEASE);
    __atomic_store_n(&table->own[a], 0, __ATOMIC_RELEASE);
    __atomic_store_n(&table->own[b], 0, __ATOMIC_RELEASE);
    __atomic_store_n(&table->far_end[a], (uint32_t)b + 1, __ATOMIC_RELEASE);
    __atomic_store_n(&table->far_end[b], (uint32_t)a + 1, __ATOMIC_RELEASE);
}

int line_any_paced(struct line_table* table) { return __atomic_load_n(&table->some_paced, __ATOMIC_ACQUIRE) != 0; }

int line_paced(struct line_table* table, int n) { return __atomic_load_n(&table->paced[n], __ATOMIC_ACQUIRE) != 0; }
