// The program's UTF-16 texts, and lists of them, print in doctest's reports: the test support's
// doctest header teaches it.
#pragma once

#include "doctest.h"
