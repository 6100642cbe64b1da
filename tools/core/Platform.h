// The little that differs between the Linux and the Windows build besides the lines themselves.
#pragma once

#include <cstdio>
#include <string>

void PauseMs(unsigned milliseconds);
// The system's own words for an error number (errno on Linux, GetLastError or WSAGetLastError on Windows).
std::string ErrorText(unsigned long error);
// UTF-8 text to stdout or stderr; a Windows console gets it as UTF-16, so the captions show.
void WriteText(std::FILE* stream, const std::string& text);
// Creates the file named by QUORVEX_STARTED_MARKER, when set: a test harness that runs the program
// under Wine learns that it got past Wine's start to its own code.
void MarkStarted();
