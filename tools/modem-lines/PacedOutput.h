/* The transmit queues of this process's paced pty ends: what a program writes to an end of a paced
 * cable is taken at once, as into a UART's transmit buffer, and leaves for the far end at the line's
 * speed, sent by a thread of this process while the queue holds bytes. */
#pragma once

#include <stddef.h>
#include <sys/types.h>

#define PACED_QUEUE_BYTES 4096

/* The pts number of FD if it is an end of a paced cable, else -1 (errno kept). */
int paced_end(int fd);
/* The kernel's write(2), as the C library's makes it: on a pty the bytes pass at once. */
ssize_t unpaced_write(int fd, const void* bytes, size_t count);
/* Queues COUNT bytes written to FD, paced end END, as write(2) would take them: a full queue
 * blocks, or fails with EAGAIN where FD is non-blocking. */
ssize_t paced_write(int fd, int end, const void* bytes, size_t count);
/* Whether this process has bytes on their way out of any paced end: if not, there is nothing for
 * an output count, a purge or a drain to see, and no need to look at the descriptor. */
int paced_sending(void);
/* Bytes written to END that have not yet left. */
size_t paced_queued(int end);
/* Drops what has not yet left END, as a purge of a UART's output does. */
void paced_purge(int end);
/* Returns once everything written to END has left. */
void paced_drain(int end);
