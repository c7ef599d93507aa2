# Two commands matter on a fresh Debian 12 machine: `make run` and `make test`.
# Everything else here is what those two are built from.

SHELL := /bin/bash

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev \
            libgtest-dev libgmock-dev libbenchmark-dev libgif-dev libimagequant-dev libpng-dev \
            nlohmann-json3-dev \
            clang-14 libclang-rt-14-dev llvm-14 \
            desktop-file-utils appstream clang-format dpkg-dev file xvfb xauth
# Only `make screenshot` needs these (and the virtual X server above, which
# the test of the window's keys runs under too).
SCREENSHOT_PACKAGES := xdotool imagemagick
# `make cross-test` (part of `make test`): the MinGW-w64 cross compiler, Wine
# to run its programs, GoogleTest's sources to build for Windows, and what the
# Linux side of the byte comparison is built with.
CROSS_PACKAGES := cmake ninja-build g++ libgtest-dev googletest g++-mingw-w64-x86-64-posix wine64

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)

BUILD_DIR  ?= build
TEST_DIR   ?= build-asan
BENCH_DIR  ?= build-bench
FUZZ_DIR   ?= build-fuzz
CROSS_DIR  ?= build-cross
SANITIZE   := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

.PHONY: all deps install-missing build run test cross-test bench fuzz fuzz-run package screenshot format clean

all: build

deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES)"

install-missing:
	@missing=$$(for p in $(WANTED); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/quillet

test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
	  -DCMAKE_C_FLAGS="$(SANITIZE)" -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)" \
	  -DQUILLET_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	$(MAKE) fuzz-run FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS)
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)
	$(MAKE) cross-test

# Everything that needs no Qt, built for 64-bit Windows and tested under Wine
# (headless, its prefix in $(CROSS_DIR)/wine-prefix).
cross-test:
	@$(MAKE) --no-print-directory install-missing WANTED="$(CROSS_PACKAGES)"
	cmake -S . -B $(CROSS_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF
	cmake --build $(CROSS_DIR) -j $(JOBS)
	cd $(CROSS_DIR) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF -DQUILLET_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS) --target quillet_bench
	QT_QPA_PLATFORM=offscreen ./$(BENCH_DIR)/bench/quillet_bench

# libFuzzer builds with clang; our libraries get coverage instrumentation,
# the harnesses the fuzzer runtime.
FUZZ_HARNESSES := dc6_file frame_block round_trip picture palette recovery sheet_data
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 60
FUZZ_CFLAGS := -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer
FUZZ_LDFLAGS := -fsanitize=address,undefined

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF \
	  -DCMAKE_C_FLAGS="$(FUZZ_CFLAGS)" -DCMAKE_CXX_FLAGS="$(FUZZ_CFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(FUZZ_LDFLAGS)"
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_make_seeds $(addprefix fuzz_,$(FUZZ_HARNESSES))
	QT_QPA_PLATFORM=offscreen ./$(FUZZ_DIR)/fuzz/fuzz_make_seeds $(FUZZ_DIR)/seeds

# Runs every harness FUZZ_SECONDS seconds; any finding fails the target and
# leaves the input in $(FUZZ_DIR)/artifacts. Fork mode restarts the worker
# from time to time: the process keeps some memory per newly explored decoder
# path of Qt's image readers, which would otherwise add up to the RSS limit.
fuzz-run: fuzz
	@set -e; mkdir -p $(FUZZ_DIR)/artifacts; for h in $(FUZZ_HARNESSES); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$h; \
	  echo "== fuzz_$$h for $(FUZZ_SECONDS) s"; \
	  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ./$(FUZZ_DIR)/fuzz/fuzz_$$h -fork=1 -max_total_time=$(FUZZ_SECONDS) -timeout=1 -rss_limit_mb=512 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/artifacts/$$h- \
	    $(FUZZ_DIR)/corpus/$$h $(FUZZ_DIR)/seeds/$$h fuzz/regressions/$$h 2>&1 | tail -n 25; \
	  test $${PIPESTATUS[0]} -eq 0; \
	done

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The README's picture: the editor under Xvfb, driven by xdotool (see the script).
screenshot: build
	@$(MAKE) --no-print-directory install-missing WANTED="$(SCREENSHOT_PACKAGES)"
	scripts/screenshot.sh $(BUILD_DIR) docs/screenshot.png

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(TEST_DIR) $(BENCH_DIR) $(FUZZ_DIR) $(CROSS_DIR)
