#include "Multiviewer.h"

#include <utility>

#include "EventText.h"
#include "tools/core/Hex.h"
#include "ScreenPicture.h"

Multiviewer::Multiviewer(Log& log, bool pictures, std::vector<std::uint8_t> reply, Sender send)
    : log_(log), pictures_(pictures), reply_(std::move(reply)), send_(std::move(send)) {}

void Multiviewer::Receive(const LineEvent& event) {
    log_.Line(DescribeEvent(event));
    if (event.kind != LineEventKind::Command)
        return;
    const DeviceState before = state_;
    Apply(state_, *event.command);
    if (state_ != before)
        ShowScreen();
    if (!reply_.empty())
        Send(reply_);
}

void Multiviewer::Send(const std::vector<std::uint8_t>& bytes) {
    const bool sent = send_(bytes);
    log_.Line(std::string(sent ? "sent" : "could not send") + "  [" + HexBytes(bytes) + "]");
}

void Multiviewer::ShowScreen() {
    if (pictures_)
        log_.Block(DrawScreen(state_));
}
