# Two commands do everything: `make run` and `make test`.
BUILD := build
# A `wine` that works whichever of Wine's loaders this kernel can run (see tools/wine-bin/wine).
export PATH := $(CURDIR)/tools/wine-bin:$(PATH)
# The simulator, the sender and the bridge are native Linux programs, built apart from the Windows cross builds.
NATIVE := $(BUILD)/native

.PHONY: run test build deps configure configure-native configure-x64 configure-x86 tools install

# LINE=/dev/ttyUSB0 (any tty): that line instead of the simulator, for a real multiviewer. Builds
# only what the run needs: the 64-bit panel, its scripted session, the simulator and the cable's
# modem lines; the tests and the bench build with `make test` and `make bench`.
run: deps configure-native configure-x64
	cmake --build $(NATIVE) -j2 --target run_programs
	cmake --build $(BUILD)/x64 -j2 --target Quorvex demo_session demo_port
	tools/run-panel.sh $(if $(LINE),'$(LINE)')

# The Linux programs alone (simulator, sender, bridge), with only what they need installed: no Wine.
tools:
	@tools/install-deps.sh --tools
	@$(MAKE) --no-print-directory configure-native
	cmake --build $(NATIVE) -j2 --target programs

# The sender and the bridge into PREFIX/bin (/usr/local unless given).
PREFIX ?= /usr/local
install: tools
	cmake --install $(NATIVE) --prefix '$(PREFIX)'

test: build lint native-tests fuzz dist
	cd $(NATIVE) && ctest --output-on-failure
	$(MAKE) --no-print-directory -j2 --output-sync=target wine-tests

# The Wine suites of both trees side by side, each on a bench of its own (prefix, Xvfb display,
# wineserver, cables): the 64-bit exe, and the 32-bit XP exe under Windows XP emulation. Each
# suite's output is printed whole when it ends.
.PHONY: wine-tests wine-tests-x64 wine-tests-x86
wine-tests: wine-tests-x64 wine-tests-x86
wine-tests-x64:
	cd $(BUILD)/x64 && ctest --output-on-failure
wine-tests-x86:
	@if tools/wine32-runs.sh; then cd $(BUILD)/x86 && ctest --output-on-failure; else \
	    echo "*** The XP exe's suite (build/x86) did NOT run: Wine's 32-bit half cannot run here (the kernel runs no 32-bit programs, or wine32:i386 could not be installed: see above)."; fi

# The panel against bare Win32 floors on a bench of its own; the report is left in build/bench/report.txt.
.PHONY: bench
bench: build
	tools/bench/run.sh $(BUILD)/x64 $(BUILD)/x86

# The release users download: dist/quorvex-VERSION-windows.zip, its sum beside it, and the symbols
# of its exes for crash analysis.
.PHONY: dist
dist: configure
	tools/dist/dist.sh dist $(BUILD)/x64 $(BUILD)/x86

# Static analysis: cppcheck, and clang-tidy for the x64 MinGW target; any finding fails.
.PHONY: lint native-tests fuzz
lint: deps
	tools/lint/run.sh

# The logic that needs no Windows, natively with AddressSanitizer and UndefinedBehaviorSanitizer,
# and its parsers fuzzed for a bounded time (FUZZ_SECONDS each, 20 by default).
NATIVE_TESTS := $(BUILD)/native-tests
native-tests: deps
	@[ -f $(NATIVE_TESTS)/CMakeCache.txt ] || CXX=clang++ cmake -S tests/native -B $(NATIVE_TESTS) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(NATIVE_TESTS) -j2
	cd $(NATIVE_TESTS) && ctest --output-on-failure

fuzz: native-tests
	tests/native/fuzz.sh $(NATIVE_TESTS)

build: configure
	cmake --build $(NATIVE) -j2
	cmake --build $(BUILD)/x64 -j2
	cmake --build $(BUILD)/x86 -j2

configure: deps configure-native configure-x64 configure-x86
configure-native:
	@[ -f $(NATIVE)/CMakeCache.txt ] || cmake -S tools -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release
configure-x64:
	@[ -f $(BUILD)/x64/CMakeCache.txt ] || cmake -S . -B $(BUILD)/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake -DCMAKE_BUILD_TYPE=Release
configure-x86:
	@grep -qx 'QUORVEX_TESTS:BOOL=ON' $(BUILD)/x86/CMakeCache.txt 2>/dev/null || cmake -S . -B $(BUILD)/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86.cmake -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=ON

deps:
	@tools/install-deps.sh
