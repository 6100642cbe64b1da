#include "Platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

void PauseMs(unsigned milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void WriteText(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string ErrorText(unsigned long error) { return std::strerror(static_cast<int>(error)); }

void MarkStarted() {
    if (const char* marker = std::getenv("QUORVEX_STARTED_MARKER"))
        if (std::FILE* file = std::fopen(marker, "w"))
            std::fclose(file);
}
