// doctest for the win32 thread model: no std::mutex there, and the tests run on one thread.
#pragma once
#define DOCTEST_CONFIG_NO_MULTITHREADING
#include <doctest/doctest.h>
