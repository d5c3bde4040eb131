# make run   install what is missing, build, start the engine
# make test  install what is missing, build, run every test
# make build only build
# make thread-safety  build with clang checking the lock annotations (build-tsa)
# make install    build, install into $(DESTDIR)$(PREFIX); make uninstall removes it again
BUILD_DIR ?= build
SANITIZE_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
DESTDIR ?=

# Debian packages the build and the tests need.
PACKAGES := g++ make cmake ninja-build pkg-config binutils file \
            libgtest-dev libgmock-dev libbenchmark-dev \
            libasound2-dev libsystemd-dev libx11-dev libxext-dev libfreetype-dev fonts-dejavu-core libpng-dev \
            libmpg123-dev libsndfile1-dev libsoxr-dev \
            libavformat-dev libavcodec-dev libavutil-dev libswresample-dev \
            xvfb xauth openbox libxtst-dev sox ffmpeg tinyproxy desktop-file-utils stress-ng \
            libshout-dev libvorbis-dev libogg-dev libopusenc-dev libopus-dev libmp3lame-dev icecast2 \
            playerctl dbus-daemon libjmac-java default-jre-headless

.PHONY: all deps build run test test-sanitize bench fuzz thread-safety install install-files uninstall format clean

all: build

deps:
	@bash tools/install-deps $(PACKAGES)

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	exec $(BUILD_DIR)/out/Velmora

test: deps build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Everything again with the address and undefined-behaviour sanitizers, and
# with the debug assertions (no NDEBUG) that check locks and owning threads.
test-sanitize: deps
	@[ -f $(SANITIZE_BUILD_DIR)/build.ninja ] || \
	  cmake -S . -B $(SANITIZE_BUILD_DIR) -G Ninja -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g" \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_BUILD_DIR) --output-on-failure -j $(JOBS)

bench: deps build
	@for b in $(BUILD_DIR)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

# The real engine for SOAK_SECONDS (default 600) under the sanitizers, with
# four looping files, three effects and file and sound output; reports its
# errors, memory and recording (bench/soak). Needs build-sanitize configured
# (make test-sanitize does that).
SOAK_SECONDS ?= 600
.PHONY: soak
soak: deps build
	BUILD_DIR=$(BUILD_DIR) SANITIZE_BUILD_DIR=$(SANITIZE_BUILD_DIR) bash bench/soak $(SOAK_SECONDS)

# Each fuzz target under libFuzzer for FUZZ_SECONDS, starting from its saved
# inputs; new findings land in build-fuzz/corpus, crashes in build-fuzz.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	@bash tools/install-deps clang libclang-rt-dev
	@[ -f $(FUZZ_BUILD_DIR)/build.ninja ] || \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DVELMORA_FUZZ=ON -DVELMORA_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	@for target in $(FUZZ_BUILD_DIR)/tests/fuzz/*_fuzz; do \
	  name=$$(basename $$target _fuzz); mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$name; \
	  cp -n tests/fuzz/corpus/$$name/* $(FUZZ_BUILD_DIR)/corpus/$$name/ 2>/dev/null; \
	  (cd $(FUZZ_BUILD_DIR) && ./tests/fuzz/$$(basename $$target) -max_total_time=$(FUZZ_SECONDS) \
	    corpus/$$name) || exit 1; \
	done

# Everything with clang's lock analysis: a helper that needs a lock held,
# or a field read without its lock, fails the build.
TSA_BUILD_DIR ?= build-tsa
thread-safety: deps
	@bash tools/install-deps clang
	@[ -f $(TSA_BUILD_DIR)/build.ninja ] || \
	  CC=clang CXX=clang++ cmake -S . -B $(TSA_BUILD_DIR) -G Ninja -DVELMORA_THREAD_SAFETY=ON -DVELMORA_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSA_BUILD_DIR) -j $(JOBS)

# The program folder under $(PREFIX)/lib/velmora, the velmora command, the
# desktop entry and the icons. install-files installs an existing build as it
# is; uninstall needs only the manifest the install left in lib/velmora.
install: build
	@$(MAKE) --no-print-directory install-files

install-files:
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

uninstall:
	cmake -D PREFIX="$(PREFIX)" -D DESTDIR="$(DESTDIR)" -P cmake/Uninstall.cmake

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_BUILD_DIR) $(FUZZ_BUILD_DIR) $(TSA_BUILD_DIR)
