// The shell manager the application creates at start: it holds no state of its own here,
// since no window of the program browses the shell namespace.
#pragma once

class CShellManager {};
