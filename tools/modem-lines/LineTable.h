/* The modem lines of the bench's ptys: one table, in a file that every process of a bench maps, of
 * what each pty end asserts (DTR, RTS), which end is wired to it, as on a null-modem cable, and
 * whether the cable moves bytes at the line's speed. */
#pragma once

#include <stdint.h>

#define LINE_TABLE_PTYS 4096

struct line_table {
    uint32_t own[LINE_TABLE_PTYS];     /* TIOCM_DTR and TIOCM_RTS as end N last set them */
    uint32_t far_end[LINE_TABLE_PTYS]; /* 1 + the pts number wired to end N; 0: none */
    uint32_t paced[LINE_TABLE_PTYS];   /* 1: what end N writes leaves at its line's speed */
    uint32_t some_paced;               /* 1 once any cable was laid paced: else no write is looked at */
};

/* The table in the file named by QUORVEX_MODEM_LINES, or one of this process's own when that is
 * unset or cannot be mapped. Never NULL. */
struct line_table* line_table_shared(void);
/* The table in PATH, created empty if missing; NULL (errno set) when it cannot be mapped. */
struct line_table* line_table_map(const char* path);

/* The pts number of a pty's subordinate end open as FD, or -1 for anything else. */
int pty_number_of_fd(int fd);
/* The same for a path (symlinks followed). */
int pty_number_of_path(const char* path);

/* What end N reads as its modem status: its own DTR and RTS, and the far end's DTR as DSR and DCD
 * and its RTS as CTS. */
uint32_t line_status(struct line_table* table, int n);
/* Sets end N's own DTR and RTS: those of SET are raised, those of CLEAR dropped. */
void line_assert(struct line_table* table, int n, uint32_t set, uint32_t clear);
/* Wires ends A and B to each other, both ends' lines dropped, as a newly laid cable; PACED: both
 * ends send at their line's speed, else at once. */
void line_wire(struct line_table* table, int a, int b, int paced);
/* Whether any cable of the table was laid paced. */
int line_any_paced(struct line_table* table);
/* Whether what end N writes leaves at its line's speed. */
int line_paced(struct line_table* table, int n);
