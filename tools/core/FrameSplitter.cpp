#include "FrameSplitter.h"

std::vector<LineEvent> FrameSplitter::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<LineEvent> out;
    for (std::size_t i = 0; i < size; ++i)
        Take(data[i], out);
    return out;
}

std::vector<LineEvent> FrameSplitter::Flush() {
    std::vector<LineEvent> out;
    ReportNoise(out);
    ReportTorn(out);
    return out;
}

void FrameSplitter::Take(std::uint8_t byte, std::vector<LineEvent>& out) {
    // Codes are hex digits, so a "G" anywhere can only start a frame: that is where we resynchronise.
    if (byte == kFrameStart) {
        StartFrame(out);
        return;
    }
    if (frame_.empty()) {
        TakeNoise(byte, out);
        return;
    }
    const std::size_t position = frame_.size();
    const bool misplaced = (position == 3 && byte != kFrameEnd) || (position == 4 && byte != kFrameTerminator);
    if (misplaced) {
        // The frame so far is reported torn; the stray byte begins the noise that follows it.
        ReportTorn(out);
        TakeNoise(byte, out);
        return;
    }
    frame_.push_back(byte);
    if (frame_.size() == kFrameLength)
        FinishFrame(out);
}

// A sender that never pauses and never sends a "G" would otherwise grow one report without end.
void FrameSplitter::TakeNoise(std::uint8_t byte, std::vector<LineEvent>& out) {
    noise_.push_back(byte);
    if (noise_.size() == kMostNoisePerReport)
        ReportNoise(out);
}

void FrameSplitter::StartFrame(std::vector<LineEvent>& out) {
    ReportNoise(out);
    ReportTorn(out);
    frame_.push_back(kFrameStart);
}

void FrameSplitter::FinishFrame(std::vector<LineEvent>& out) {
    const DeviceCommand* command = FindCommandByCode(static_cast<char>(frame_[1]), static_cast<char>(frame_[2]));
    out.push_back({command ? LineEventKind::Command : LineEventKind::UnknownCode, frame_, command});
    frame_.clear();
}

void FrameSplitter::ReportNoise(std::vector<LineEvent>& out) {
    if (noise_.empty())
        return;
    out.push_back({LineEventKind::Noise, noise_, nullptr});
    noise_.clear();
}

void FrameSplitter::ReportTorn(std::vector<LineEvent>& out) {
    if (frame_.empty())
        return;
    out.push_back({LineEventKind::TornFrame, frame_, nullptr});
    frame_.clear();
}
