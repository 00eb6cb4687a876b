# The README's commands. Each installs what is missing, configures and builds; CMake and CTest do the work.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

.PHONY: all run test demo bench fuzz tsan deps build build-test package clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZT_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

# Builds and starts the GUI; settings go to ./cfg under the current directory.
run: build
	./build/bin/Zorvan-Tools

# Debug build with AddressSanitizer and UBSan, then every test of the default run.
test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZT_SANITIZE=address,undefined -DZT_BUILD_TESTS=ON -DZT_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS) -LE long

# A Debian package of the Release build (CPack): zorvan-tools_<version>_<arch>.deb in the repository root.
package: build
	cd build && cpack -G DEB
	cp build/zorvan-tools_*.deb .

# The simulated units and the GUI pointed at them.
demo: build
	bash scripts/demo.sh

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZT_BUILD_TESTS=OFF -DZT_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	bash scripts/run-benches.sh build-bench

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_FUZZ=ON -DZT_BUILD_TESTS=ON -DZT_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	bash scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# The link suites under ThreadSanitizer, outside the default run, and the deliberate race it must report.
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZT_SANITIZE=thread -DZT_BUILD_TESTS=ON -DZT_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --output-on-failure -j $(JOBS) -L 'link|factory|integration|tsan'

clean:
	rm -rf build build-test build-bench build-fuzz build-tsan
