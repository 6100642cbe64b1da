// Inside a test program a step the panel did not complete fails the running test case.
#include "PanelTrouble.h"

#include "doctest.h"

void ReportPanelTrouble(const std::string& what) { FAIL_CHECK(what); }
