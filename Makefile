# make run: set up if needed, build, start the program (see README).
# make test: set up if needed, build both targets, run every test under Wine.
.PHONY: all setup build build32 build32-tests run test clean

all: build

setup:
	@scripts/setup

build: setup
	@scripts/build x86_64

build32: setup
	@scripts/build x86

# The 32-bit test programs and benchmarks (compiled and linked only: they cannot run here).
build32-tests: setup
	@ZS_TARGET=tests scripts/build x86

run: build
	@scripts/run

test: setup
	@scripts/test

clean:
	rm -rf build/x86_64 build/x86
