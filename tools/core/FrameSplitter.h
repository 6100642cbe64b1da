// Cuts the bytes that arrive on the line into command frames and reports everything else (noise
// between frames, frames cut short, codes the device does not know) with its bytes. Pure: no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/DeviceCommands.h"

enum class LineEventKind { Command, UnknownCode, TornFrame, Noise };

struct LineEvent {
    LineEventKind kind;
    std::vector<std::uint8_t> bytes;
    const DeviceCommand* command = nullptr;  // the table row, for LineEventKind::Command only
};

// Noise is reported in pieces of at most this many bytes: one line of the log each.
inline constexpr std::size_t kMostNoisePerReport = 64;

class FrameSplitter {
public:
    std::vector<LineEvent> Feed(const std::uint8_t* data, std::size_t size);
    // The line went quiet: a frame still open will not be completed, and noise is reported now.
    std::vector<LineEvent> Flush();
    bool HasPending() const { return !frame_.empty() || !noise_.empty(); }

private:
    void Take(std::uint8_t byte, std::vector<LineEvent>& out);
    void TakeNoise(std::uint8_t byte, std::vector<LineEvent>& out);
    void StartFrame(std::vector<LineEvent>& out);
    void FinishFrame(std::vector<LineEvent>& out);
    void ReportNoise(std::vector<LineEvent>& out);
    void ReportTorn(std::vector<LineEvent>& out);

    std::vector<std::uint8_t> frame_;  // a frame begun with "G", every byte so far in place
    std::vector<std::uint8_t> noise_;  // bytes outside any frame, since the last report
};
