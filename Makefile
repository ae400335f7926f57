# Makefile — the front door: `make run` starts the program, `make test` builds and runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
BUILD_BENCH?= build-bench
JOBS       ?= $(shell nproc)
GENERATOR  := -G Ninja
# WERROR=ON makes every compiler warning an error (CI sets it).
WERROR     ?= OFF

.PHONY: all deps configure build run test test-asan bench fuzz format clean package

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNHOLT_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Starts the program from the application folder: the window where there is a display, else the headless
# service (Automatic mode over build/app/drives/c/PDF, in the foreground; Ctrl+C stops it).
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -x $(BUILD)/app/Varnholt ]; then cd $(BUILD)/app && exec ./Varnholt; \
	 else echo "No display: starting the headless service; drop PDFs into $(CURDIR)/$(BUILD)/app/drives/c/PDF"; \
	 cd $(BUILD)/app && exec ./varnholt-cli watch; fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package varnholt_<version>_<arch>.deb in $(BUILD)/ (docs/install.md).
package: build
	@cd $(BUILD) && cpack -G DEB

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVARNHOLT_SANITIZE=ON -DVARNHOLT_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD_ASAN) -j $(JOBS)
	@cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/LeakSuppressions.supp UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD_BENCH) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BENCH=ON -DVARNHOLT_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS)
	@bash bench/run.sh $(BUILD_BENCH)

# Long fuzz runs of every fuzz target (clang with libFuzzer); FUZZ_SECONDS sets the time per target.
FUZZ_SECONDS ?= 300
fuzz: deps
	@CXX=clang++ cmake -S . -B $(BUILD_FUZZ) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNHOLT_FUZZ=ON -DVARNHOLT_TESTS=ON >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS)
	@bash tests/fuzz/run.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_BENCH)
