// The words of one log line for what arrived: the command's meaning, or what was wrong with it.
#pragma once

#include <string>

#include "tools/core/FrameSplitter.h"

std::string DescribeEvent(const LineEvent& event);
