#include "BridgeJson.h"

#include <cstdio>
#include <ctime>

#include "BridgePlatform.h"
#include "CommandGroups.h"
#include "PanelAssets.h"
#include "tools/core/CommandNames.h"
#include "tools/core/Hex.h"

namespace {

const char kAssumedNote[] =
    "Assumed from the frames this bridge sent since it started: the multiviewer answers nothing, so none of "
    "this is confirmed. Buttons pressed on the device, its remote, or another program are not seen.";

std::string LocalTime(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
    const std::tm local = LocalCalendarTime(seconds);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(ms));
    return text;
}

// The commands whose press would change nothing: the layout and the audio source now shown.
nlohmann::json CurrentCommands(const DeviceState& device) {
    nlohmann::json names = nlohmann::json::array();
    for (const DeviceCommand& command : kDeviceCommands) {
        DeviceState pressed = device;
        Apply(pressed, command);
        if (pressed == device)
            names.push_back(CommandName(command));
    }
    return names;
}

nlohmann::json SwitchesJson(const SwitchCounts& s) {
    return {{"mode", s.mode},
            {"resolution", s.resolution},
            {"singleScreen", s.singleScreen},
            {"twoWaySplit", s.twoWaySplit},
            {"oneLargeThreeSmall", s.oneLargeThreeSmall}};
}

}  // namespace

nlohmann::json CommandJson(const DeviceCommand& command) {
    const auto frame = CommandFrame(command);
    nlohmann::json row = {{"name", CommandName(command)},
                          {"code", std::string(command.code, 2)},
                          {"frame", HexBytes({frame.begin(), frame.end()})},
                          {"caption", command.caption},
                          {"meaning", command.meaning},
                          {"group", GroupName(command)},
                          {"icon", "/icons/" + std::to_string(command.iconId) + ".png"}};
    if (const DialogPlace* place = FindDialogPlace(command.controlId))
        row["dialog"] = {{"outerGroup", place->outerGroup}, {"group", place->group}, {"x", place->x}, {"y", place->y}};
    return row;
}

nlohmann::json SentFrameJson(const SentFrame& frame) {
    const auto bytes = CommandFrame(*frame.command);
    return {{"number", frame.number},
            {"name", CommandName(*frame.command)},
            {"code", std::string(frame.command->code, 2)},
            {"frame", HexBytes({bytes.begin(), bytes.end()})},
            {"at", LocalTime(frame.at)},
            {"atMs", std::chrono::duration_cast<std::chrono::milliseconds>(frame.at.time_since_epoch()).count()}};
}

nlohmann::json SentListJson(const std::vector<SentFrame>& frames) {
    nlohmann::json list = nlohmann::json::array();
    for (const SentFrame& frame : frames)
        list.push_back(SentFrameJson(frame));
    return list;
}

nlohmann::json StateJson(BridgeLine& line, const HttpCounts& http) {
    const DeviceState& device = line.Assumed().Device();
    const std::vector<SentFrame> frames = line.Assumed().Recent();
    const RawCounts& raw = line.Raw();
    nlohmann::json recent = SentListJson({frames.rbegin(), frames.rend()});
    const bool mainInputShown = device.layout == Layout::Single || device.layout == Layout::OneLargeThreeSmall;
    const CommandGroups& groups = TheCommandGroups();
    return {{"assumed", true},
            {"note", kAssumedNote},
            {"layout",
             {{"text", DescribeLayout(device)},
              {"input", mainInputShown ? device.mainInput : 0},
              {"command", CommandName(*CurrentOf(groups.layouts, device))}}},
            {"audio",
             {{"text", DescribeAudio(device)},
              {"input", device.audioInput},
              {"muted", device.audioInput == 0},
              {"command", CommandName(*CurrentOf(groups.audio, device))}}},
            {"standby", device.standby},
            {"switches", SwitchesJson(device.switches)},
            {"current", CurrentCommands(device)},
            {"recent", recent},
            {"line",
             {{"name", line.Name()},
              {"address", line.Address()},
              {"open", line.GoneReason().empty()},
              {"reason", line.GoneReason()},
              {"waiting", line.Waiting()}}},
            {"raw",
             {{"forwarded", raw.forwarded},
              {"dropped", raw.dropped},
              {"connections", raw.connections},
              {"evicted", raw.evicted}}},
            {"mqtt", {{"taken", line.Mqtt().taken}, {"refused", line.Mqtt().refused}}},
            {"http", {{"connections", http.connections}, {"evicted", http.evicted}}}};
}
