// Outside the tests (the demo session, the bench, the real-line driver) a step the panel did
// not complete is said on standard error; the tool's own checks decide what follows.
#include "PanelTrouble.h"

#include <cstdio>

void ReportPanelTrouble(const std::string& what) { std::fprintf(stderr, "panel: %s\n", what.c_str()); }
