// The names by which quorvex-send takes commands, made by one rule from the command table's
// meanings, and the lookup of what the user typed: a name or a two-character code.
#pragma once

#include <string>

#include "ui/DeviceCommands.h"

// The meaning in lower case, without the words "from", "input", "inputs" and "and", the input
// numbers moved to the end, joined with hyphens: "one large (input 3), three small" is
// one-large-three-small-3, "audio from input 3" is audio-3.
std::string CommandName(const DeviceCommand& command);

// The row named by `text`, a name (typed by the same rule, so case does not matter) or a code
// ("DF", "df"); nullptr when there is none.
const DeviceCommand* FindCommand(const std::string& text);

// The name a person most likely meant by `text`, for "did you mean": by its words first, then by edits.
std::string ClosestCommandName(const std::string& text);
