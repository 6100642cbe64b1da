// Runs a console program of the build and collects what it prints.
#pragma once

#include <string>

// The full path of a program that sits beside the running test program.
std::wstring SiblingProgram(const wchar_t* fileName);

// Runs the program to its end (ending it by its handle if it overruns the time) and returns its
// standard output; empty when it could not be started or did not finish.
std::string RunAndCapture(const std::wstring& program, unsigned timeoutMs = 20000);
