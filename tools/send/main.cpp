// quorvex-send: sends Quorvex multiviewer commands from a script, a control system or cron, over a
// serial line or a serial server's TCP port, with the control panel's own command table.
#include <string>
#include <vector>

#include "CommandList.h"
#include "tools/core/Line.h"
#include "tools/core/Platform.h"
#include "SendOptions.h"

namespace {

int Report(const Failure& failure) {
    WriteText(stderr, "quorvex-send: " + failure.message + "\n");
    return failure.exitCode;
}

// A line lost between frames: the frames already out have acted on the device.
Failure MidSend(Failure failure, std::size_t sent, std::size_t total) {
    if (total > 1)
        failure.message += " (" + std::to_string(sent) + " of " + std::to_string(total) + " frames went out before it)";
    return failure;
}

}  // namespace

int main(int argc, char** argv) {
    MarkStarted();
    const SendRequest request = ParseSendArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (request.help) {
        WriteText(stdout, kSendUsage);
        return kSent;
    }
    if (request.version) {
        WriteText(stdout, "quorvex-send " QUORVEX_VERSION_TEXT "\n");
        return kSent;
    }
    if (request.failure.exitCode != kSent)
        return Report(request.failure);
    if (request.list) {
        WriteText(stdout, CommandListText());
        return kSent;
    }
    Failure failure;
    const std::unique_ptr<Line> line = OpenLine(request.line, &failure);
    if (!line)
        return Report(failure);
    for (std::size_t i = 0; i < request.commands.size(); ++i) {
        if (i > 0)
            PauseMs(request.gapMs);
        const auto frame = CommandFrame(*request.commands[i]);
        if (!line->Send(frame.data(), frame.size(), &failure))
            return Report(MidSend(failure, i, request.commands.size()));
    }
    return line->Finish(&failure) ? kSent : Report(failure);
}
