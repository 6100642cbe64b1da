/* The bench's side of the modem-line table: wires the two ends of a virtual cable to each other,
 * and shows what an end reads, for scripts and tests that have no serial API of their own.
 *   modem-lines wire STATE PTY_A PTY_B [--paced]
 *                                         both ends' lines dropped, each end's DTR and RTS seen by the
 *                                         other; --paced: written bytes leave at the line's speed
 *   modem-lines show STATE PTY            what PTY reads: the names of its raised lines, or "none" */
#include "LineTable.h"

#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>

static int usage(void) {
    fprintf(stderr, "usage: modem-lines wire STATE PTY_A PTY_B [--paced] | show STATE PTY\n");
    return 2;
}

static int pty_or_complain(const char* path) {
    int n = pty_number_of_path(path);
    if (n < 0)
        fprintf(stderr, "modem-lines: %s is not a pty\n", path);
    return n;
}

static void show(uint32_t status) {
    static const struct {
        uint32_t bit;
        const char* name;
    } names[] = {{TIOCM_DTR, "DTR"}, {TIOCM_RTS, "RTS"}, {TIOCM_DSR, "DSR"}, {TIOCM_CTS, "CTS"}, {TIOCM_CAR, "DCD"}};
    const char* separator = "";
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (status & names[i].bit) {
            printf("%s%s", separator, names[i].name);
            separator = " ";
        }
    printf("%s\n", *separator ? "" : "none");
}

int main(int argc, char** argv) {
    if (argc < 4)
        return usage();
    struct line_table* table = line_table_map(argv[2]);
    if (!table) {
        perror(argv[2]);
        return 1;
    }
    int paced = argc == 6 && strcmp(argv[5], "--paced") == 0;
    if (strcmp(argv[1], "wire") == 0 && (argc == 5 || paced)) {
        int a = pty_or_complain(argv[3]), b = pty_or_complain(argv[4]);
        if (a < 0 || b < 0)
            return 1;
        line_wire(table, a, b, paced);
        return 0;
    }
    if (strcmp(argv[1], "show") == 0 && argc == 4) {
        int n = pty_or_complain(argv[3]);
        if (n < 0)
            return 1;
        show(line_status(table, n));
        return 0;
    }
    return usage();
}
