#include "DeviceState.h"

#include <iterator>

namespace {

struct Effect {
    char code[2];
    void (*apply)(DeviceState&);
};

void ShowSingle(DeviceState& s, int input) {
    s.layout = Layout::Single;
    s.mainInput = input;
}

void ShowLarge(DeviceState& s, int input) {
    s.layout = Layout::OneLargeThreeSmall;
    s.mainInput = input;
}

// The effects are keyed by code: the command table says what is sent, this says what the device does.
// The switch commands step through settings the panel cannot see; they are counted, not modelled.
constexpr Effect kEffects[] = {
    {{'D', 'E'}, [](DeviceState& s) { s.standby = !s.standby; }},
    {{'9', '8'}, [](DeviceState& s) { ++s.switches.mode; }},
    {{'D', 'B'}, [](DeviceState& s) { ++s.switches.resolution; }},
    {{'C', '8'}, [](DeviceState& s) { s.audioInput = 1; }},
    {{'C', '0'}, [](DeviceState& s) { s.audioInput = 2; }},
    {{'9', '9'}, [](DeviceState& s) { s.audioInput = 3; }},
    {{'C', '6'}, [](DeviceState& s) { s.audioInput = 4; }},
    {{'8', '8'}, [](DeviceState& s) { s.audioInput = 0; }},
    {{'5', '5'}, [](DeviceState& s) { ++s.switches.singleScreen; }},
    {{'E', 'F'}, [](DeviceState& s) { ShowSingle(s, 1); }},
    {{'E', 'E'}, [](DeviceState& s) { ShowSingle(s, 2); }},
    {{'E', 'D'}, [](DeviceState& s) { ShowSingle(s, 3); }},
    {{'E', 'C'}, [](DeviceState& s) { ShowSingle(s, 4); }},
    {{'D', 'F'}, [](DeviceState& s) { s.layout = Layout::Quad; }},
    {{'D', '9'}, [](DeviceState& s) { s.layout = Layout::H; }},
    {{'C', 'C'}, [](DeviceState& s) { ++s.switches.twoWaySplit; }},
    {{'E', 'B'}, [](DeviceState& s) { s.layout = Layout::SplitOneTwo; }},
    {{'E', 'A'}, [](DeviceState& s) { s.layout = Layout::SplitThreeFour; }},
    {{'9', 'F'}, [](DeviceState& s) { ++s.switches.oneLargeThreeSmall; }},
    {{'E', '8'}, [](DeviceState& s) { ShowLarge(s, 1); }},
    {{'E', '7'}, [](DeviceState& s) { ShowLarge(s, 2); }},
    {{'E', '6'}, [](DeviceState& s) { ShowLarge(s, 3); }},
    {{'E', '5'}, [](DeviceState& s) { ShowLarge(s, 4); }},
};

constexpr const Effect* FindEffect(const char code[2]) {
    for (const Effect& effect : kEffects)
        if (effect.code[0] == code[0] && effect.code[1] == code[1])
            return &effect;
    return nullptr;
}

constexpr bool EveryCommandHasOneEffect() {
    for (const DeviceCommand& command : kDeviceCommands)
        if (!FindEffect(command.code))
            return false;
    return std::size(kEffects) == kDeviceCommands.size();
}
static_assert(EveryCommandHasOneEffect(), "the command table and the device's effects disagree");

}  // namespace

bool SwitchCounts::operator==(const SwitchCounts& o) const {
    return mode == o.mode && resolution == o.resolution && singleScreen == o.singleScreen &&
           twoWaySplit == o.twoWaySplit && oneLargeThreeSmall == o.oneLargeThreeSmall;
}

bool DeviceState::operator==(const DeviceState& o) const {
    // The main input means nothing on layouts that have no single or large window.
    const bool mainInputShown = layout == Layout::Single || layout == Layout::OneLargeThreeSmall;
    return layout == o.layout && (!mainInputShown || mainInput == o.mainInput) && audioInput == o.audioInput &&
           standby == o.standby && switches == o.switches;
}

void Apply(DeviceState& state, const DeviceCommand& command) { FindEffect(command.code)->apply(state); }

std::string DescribeLayout(const DeviceState& state) {
    const std::string input = std::to_string(state.mainInput);
    switch (state.layout) {
        case Layout::Single:
            return "single screen, input " + input;
        case Layout::Quad:
            return "quad split";
        case Layout::H:
            return "\"H\" layout";
        case Layout::SplitOneTwo:
            return "two-way split, inputs 1 and 2";
        case Layout::SplitThreeFour:
            return "two-way split, inputs 3 and 4";
        case Layout::OneLargeThreeSmall:
            return "one large (input " + input + "), three small";
    }
    return {};
}

std::string DescribeAudio(const DeviceState& state) {
    return state.audioInput == 0 ? "muted" : "input " + std::to_string(state.audioInput);
}

std::string DescribeSwitches(const SwitchCounts& s) {
    return "mode " + std::to_string(s.mode) + ", resolution " + std::to_string(s.resolution) + ", single screen " +
           std::to_string(s.singleScreen) + ", two-way split " + std::to_string(s.twoWaySplit) +
           ", one large three small " + std::to_string(s.oneLargeThreeSmall);
}
