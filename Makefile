# Entry points: `make run` (demonstration), `make test` (all tests), `make bench`,
# `make install PREFIX=P` (libraries, headers, the ulog tool, pkg-config and CMake package files).
BUILD      ?= build/release
ASAN_BUILD ?= build/asan
JOBS       ?= $(shell nproc)
# Extra CMake settings, e.g. CMAKE_FLAGS=-DULOG_WERROR=ON (as CI builds).
CMAKE_FLAGS ?=
CMAKE_GEN  := -G Ninja
PREFIX     ?= /usr/local

.PHONY: deps configure build test run bench test-asan install clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

run: build
	@scripts/demo $(BUILD)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks ulog
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done
	@echo "== bench/process-bench" && bench/process-bench $(BUILD)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DULOG_SANITIZE=address,undefined \
	    -DULOG_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build
