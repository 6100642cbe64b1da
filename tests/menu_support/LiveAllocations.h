// Counts the heap blocks the program holds through operator new, for leak checks in tests.
#pragma once

#include <cstddef>

// Blocks allocated with operator new and not yet deleted.
std::ptrdiff_t LiveAllocations();
