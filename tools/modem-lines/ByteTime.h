/* How long one byte takes on a serial line, from the line's settings, as a UART sends it: a start
 * bit, the data bits, the parity bit if any, and the stop bits, at the output speed. */
#pragma once

#include <stdint.h>
#include <termios.h>

/* Nanoseconds per byte at SETTINGS' output speed; 0 where there is no speed to keep (B0, or one
 * termios cannot name). */
uint64_t byte_time_ns(const struct termios* settings);
