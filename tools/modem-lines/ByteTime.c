/* A byte's time on the line: bits per character over the output speed. */
#include "ByteTime.h"

#include <stddef.h>

static const struct {
    speed_t code;
    uint32_t baud;
} speeds[] = {{B50, 50},         {B75, 75},         {B110, 110},        {B134, 134},       {B150, 150},
              {B200, 200},       {B300, 300},       {B600, 600},        {B1200, 1200},     {B1800, 1800},
              {B2400, 2400},     {B4800, 4800},     {B9600, 9600},      {B19200, 19200},   {B38400, 38400},
              {B57600, 57600},   {B115200, 115200}, {B230400, 230400},  {B460800, 460800}, {B500000, 500000},
              {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}};

static uint32_t baud_of(speed_t code) {
    for (size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
        if (speeds[i].code == code)
            return speeds[i].baud;
    return 0;
}

static uint32_t data_bits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

uint64_t byte_time_ns(const struct termios* settings) {
    uint32_t baud = baud_of(cfgetospeed(settings));
    if (baud == 0)
        return 0;
    tcflag_t cflag = settings->c_cflag;
    uint64_t bits = 1 + data_bits(cflag) + ((cflag & PARENB) ? 1 : 0) + ((cflag & CSTOPB) ? 2 : 1);
    return bits * 1000000000ull / baud;
}
