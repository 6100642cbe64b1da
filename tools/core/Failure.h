// What stopped quorvex-send, as one line for the user and an exit code for scripts: each kind of
// bad input has a code of its own, so a script can tell them apart without reading the text.
#pragma once

#include <string>

enum ExitCode : int {
    kSent = 0,
    kSendFailed = 1,      // the line failed after it was opened
    kUsage = 2,           // an option or argument that cannot be used
    kUnknownCommand = 3,  // a command that is neither a name nor a code
    kNoCommand = 4,       // a line but nothing to send
    kNoSuchLine = 5,      // no such tty or COM port, or no such host
    kNoPermission = 6,    // the user may not open the line
    kLineInUse = 7,       // another program holds the line
    kNotSerial = 8,       // the line cannot be set to 9600 8N1
    kRefused = 9,         // the serial server refused the connection
    kNoAnswer = 10,       // the serial server did not answer in time
    kServerHungUp = 11,   // the serial server hung up before or just after the last frame
};

struct Failure {
    int exitCode = kSent;
    std::string message;
};
