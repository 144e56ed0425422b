# Thin driver over CMake: three builds from the same sources.
#   build/native  - portable logic, unit tests, qvkdb (Linux)
#   build/x86_64  - qvk.exe for 64-bit Windows (runs under wine64 here)
#   build/i686    - qvk.exe for 32-bit Windows (the shipped program)
JOBS ?= $(shell nproc)

.PHONY: all deps native x86_64 i686 test run clean

all: native x86_64 i686

deps:
	@scripts/deps.sh

native: deps
	@cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build/native -j $(JOBS)

x86_64: deps
	@cmake -S . -B build/x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/x86_64 -j $(JOBS)

i686: deps
	@cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/i686 -j $(JOBS)

test: all
	@scripts/test.sh

run: x86_64
	@scripts/run.sh

clean:
	rm -rf build
