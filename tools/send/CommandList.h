// `quorvex-send --list`: the command table as a person reads it.
#pragma once

#include <string>

// One line per command: name, code, frame bytes, the panel's caption, meaning. UTF-8.
std::string CommandListText();
