// Where the simulator writes: the terminal, and a log file when asked. Every line is flushed at
// once, so a reader of the file sees it as soon as the frame arrived.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

class Log {
public:
    Log(std::ostream& screen, const std::string& filePath);
    bool FileFailed() const { return !filePath_.empty() && !file_; }
    // One line, prefixed with the local time to the millisecond.
    void Line(const std::string& text);
    // Lines as they stand, such as a picture.
    void Block(const std::string& text);

private:
    void Write(const std::string& text);

    std::ostream& screen_;
    std::string filePath_;
    std::ofstream file_;
};

std::string TimeOfDay();
