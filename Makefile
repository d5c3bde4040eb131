# make run   install what is missing, build, start the engine
# make test  install what is missing, build, run every test
# make build only build
BUILD_DIR ?= build
SANITIZE_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

# Debian packages the build and the tests need.
PACKAGES := g++ make cmake ninja-build pkg-config binutils file \
            libgtest-dev libgmock-dev libbenchmark-dev

.PHONY: all deps build run test test-sanitize bench format clean

all: build

deps:
	@bash tools/install-deps $(PACKAGES)

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	@if [ -x $(BUILD_DIR)/out/Velmora ]; then \
	  exec $(BUILD_DIR)/out/Velmora; \
	else \
	  echo "The engine program is not built yet. The program folder $(BUILD_DIR)/out holds:"; \
	  (cd $(BUILD_DIR)/out && find . -mindepth 1 | sort | sed 's|^\./|  |'); \
	fi

test: deps build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Everything again with the address and undefined-behaviour sanitizers.
test-sanitize: deps
	@[ -f $(SANITIZE_BUILD_DIR)/build.ninja ] || \
	  cmake -S . -B $(SANITIZE_BUILD_DIR) -G Ninja -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_BUILD_DIR) --output-on-failure -j $(JOBS)

bench: deps build
	@for b in $(BUILD_DIR)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_BUILD_DIR)
