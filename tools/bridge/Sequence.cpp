#include "Sequence.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "CommandGroups.h"
#include "tools/core/CommandNames.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string StepError(std::size_t index, const std::string& what) {
    return "step " + std::to_string(index + 1) + ": " + what;
}

// A wait of whole milliseconds; false with *error set for anything else.
bool ParseWait(const nlohmann::json& step, std::size_t index, unsigned* waitMs, std::string* error) {
    const auto wait = step.find("wait");
    if (step.size() != 1 || wait == step.end() || !wait->is_number_unsigned()) {
        *error = StepError(index, "a pause is {\"wait\": MS}, a whole number of milliseconds");
        return false;
    }
    const auto value = wait->get<std::uint64_t>();
    if (value > kLongestSequenceWaitMs) {
        *error = StepError(index, "waits longer than 60000 ms in all are refused");
        return false;
    }
    *waitMs = static_cast<unsigned>(value);
    return true;
}

}  // namespace

std::optional<Step> FindCommandStep(const std::string& text) {
    const std::string lower = Lower(text);
    if (lower == "standby-on" || lower == "standby-off")
        return Step{TheCommandGroups().standby, 0, lower == "standby-on"};
    const DeviceCommand* command = FindCommand(text);
    if (!command || (text.size() != 2 && lower != CommandName(*command)))
        return std::nullopt;
    return Step{command, 0, std::nullopt};
}

ParsedSequence ParseSequence(const std::string& body) {
    ParsedSequence sequence;
    const nlohmann::json list = nlohmann::json::parse(body, nullptr, false);
    if (!list.is_array() || list.empty()) {
        sequence.error = "the body must be a JSON list of command names and {\"wait\": MS} steps";
        return sequence;
    }
    if (list.size() > kLongestSequence) {
        sequence.error = "a sequence has at most " + std::to_string(kLongestSequence) + " steps";
        return sequence;
    }
    unsigned waited = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const nlohmann::json& item = list[i];
        Step step;
        if (item.is_string()) {
            step = FindCommandStep(item.get<std::string>()).value_or(Step{});
            if (!step.command)
                sequence.error = StepError(i, "unknown command \"" + item.get<std::string>() + "\"; the closest is " +
                                                  ClosestCommandName(item.get<std::string>()));
        } else if (!item.is_object() || !ParseWait(item, i, &step.waitMs, &sequence.error)) {
            if (sequence.error.empty())
                sequence.error = StepError(i, "a step is a command name or {\"wait\": MS}");
        }
        waited += step.waitMs;
        if (sequence.error.empty() && waited > kLongestSequenceWaitMs)
            sequence.error = StepError(i, "waits longer than 60000 ms in all are refused");
        if (!sequence.error.empty()) {
            sequence.steps.clear();
            return sequence;
        }
        sequence.steps.push_back(step);
    }
    if (std::none_of(sequence.steps.begin(), sequence.steps.end(), [](const Step& step) { return step.command; })) {
        sequence.steps.clear();
        sequence.error = "the sequence names no command to send";
    }
    return sequence;
}
