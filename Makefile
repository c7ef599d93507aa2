# Two commands matter on a fresh Debian 12 machine: `make run` and `make test`.
# Everything else here is what those two are built from.

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev \
            libgtest-dev libgmock-dev libbenchmark-dev libgif-dev libimagequant-dev \
            clang-14 libclang-rt-14-dev llvm-14 nlohmann-json3-dev \
            xvfb xauth desktop-file-utils appstream clang-format dpkg-dev file

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)

BUILD_DIR  ?= build
TEST_DIR   ?= build-asan
BENCH_DIR  ?= build-bench
FUZZ_DIR   ?= build-fuzz
SANITIZE   := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

.PHONY: all deps build run test bench fuzz fuzz-long package screenshot format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/quillet

test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_C_FLAGS="$(SANITIZE)" -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)" \
	  -DQUILLET_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF -DQUILLET_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ./$(BENCH_DIR)/bench/quillet_bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(TEST_DIR) $(BENCH_DIR) $(FUZZ_DIR)
