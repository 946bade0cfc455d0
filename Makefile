# Builds, runs and tests QVStatusTool. `make test` is what CI runs.
SHELL := /bin/bash

.PHONY: all deps native windows dist run test release fuzz clean
.DEFAULT_GOAL := all

all: native windows

deps:
	tools/install-deps.sh

native: deps
	cmake --preset native-asan
	cmake --build --preset native-asan

windows: deps
	cmake --preset mingw
	cmake --build --preset mingw

dist: windows
	mkdir -p build/dist
	cp build/mingw/window/QVStatusTool.exe build/dist/
	cp build/mingw/standin/QVVoIPService.exe build/mingw/standin/TesmoVoIP.xml build/dist/

run: dist
	tools/run-tool.sh

# Every test under one ctest run, whose summary ends the output: the native
# tests, the Windows test program and
# the end-to-end scenarios under Wine. Every Wine test has a prefix and an X
# display of its own, so two run at a time.
test: native windows
	ctest --preset all -j2

# The long fuzzing run: ten minutes on the language file.
fuzz: deps
	tools/fuzz.sh

# The zip for Windows users: the tool, the translator's kit and a read-me.
release: windows
	cpack --config build/mingw/CPackConfig.cmake -B build/release
	@echo "release: $$(ls build/release/QVStatusTool-*-win64.zip)"

# Figures, not tests: the tool beside the comparison programs of bench/, under
# Wine and Xvfb; the table also goes to build/bench/results.md.
.PHONY: bench
bench: windows
	tools/wine/with-xvfb.sh tools/wine/with-prefix.sh /usr/bin/python3 bench/run_bench.py

clean:
	tools/wine/stop-all.sh
	rm -rf build
