# Calverine: the two commands a newcomer needs are `make demo` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

WIN_BUILD  ?= build-win

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all setup build demo test test-asan test-tsan fuzz bench install gui-test clean windows test-windows

all: build

setup:
	@scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The demo plays factory/demo/showcase.mid through the Showcase bank as the
# build laid it out (program changes pick the patches), with settings kept
# in the build folder so the user's own are never touched.
demo: build
	mkdir -p $(BUILD)/demo-settings
	CALVERINE_DATA_DIR=$(CURDIR)/$(BUILD)/factory/ CALVERINE_SETTINGS_DIR=$(CURDIR)/$(BUILD)/demo-settings \
	  $(BUILD)/calverine-render $(BUILD)/Calverine.so factory/demo/showcase.mid -o demo.wav
	@echo "demo.wav written"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer. The
# build itself runs sanitized programs too (the skin generator, the gallery).
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1
test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCALVERINE_SANITIZE=ON -DCALVERINE_BENCH=OFF $(CMAKE_ARGS)
	$(ASAN_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS)

# The tests that drive the plug-in from more than one thread, under
# ThreadSanitizer. The engine's single-field control writes are races by
# design (see tests/threads/tsan.supp); everything else must be clean. The
# longest access history keeps both stacks of a race, which the suppressions
# need to match.
test-tsan: setup
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVERINE_TSAN=ON -DCALVERINE_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_threads test_plugin
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 history_size=7 suppressions=$(CURDIR)/tests/threads/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -R '^(Threads|VstXSynth)\.'

# The fuzz targets as libFuzzer programs (clang), each for FUZZ_SECONDS on
# top of its corpus.
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVERINE_LIBFUZZER=ON -DCALVERINE_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@while read -r name corpus; do \
	  echo "== $$name"; mkdir -p $(FUZZ_BUILD)/found/$$name; \
	  $(FUZZ_BUILD)/$$name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(FUZZ_BUILD)/found/$$name $${corpus:+fuzz/$$corpus} || exit 1; \
	done < $(FUZZ_BUILD)/fuzzers.txt

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b; done

# The Windows x64 build, cross-compiled with MinGW-w64: Calverine.dll and the
# tools in $(WIN_BUILD). scripts/setup-windows.sh installs the cross compiler
# and Wine and builds the libraries from Debian's sources first.
# The skin images come from the Linux build's generator.
windows: setup $(BUILD)/CMakeCache.txt
	JOBS=$(JOBS) scripts/setup-windows.sh $(WIN_BUILD)
	cmake --build $(BUILD) -j $(JOBS) --target calverine_skin
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCALVERINE_WIN_PREFIX=$(CURDIR)/$(WIN_BUILD)/deps -DCALVERINE_LINUX_SKIN_DIR=$(CURDIR)/$(BUILD)/skin \
	  -DCMAKE_BUILD_TYPE=Release -DCALVERINE_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(WIN_BUILD) -j $(JOBS) --target Calverine calverine-render calverine-patch calverine-library

# The unit tests as .exe files under Wine, then the plug-in end to end under
# Wine (render, settings in the registry, data folder), its audio compared with
# the Linux build's.
test-windows: windows setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target Calverine calverine-render factory
	cmake --build $(WIN_BUILD) -j $(JOBS)
	scripts/test-windows.sh $(WIN_BUILD) $(BUILD)

# The editor inside a real host: installs Ardour 7 from Debian (large, so
# not part of `test` or CI), opens the plug-in window under Xvfb, drags a
# knob, closes and reopens the window. Screenshots go to $(BUILD)/host-gui/.
gui-test: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target Calverine
	BUILD=$(BUILD) scripts/host-gui-test.sh

# The plug-in goes to ~/.vst, the factory soundbank into the data folder
# (CALVERINE_DATA_DIR, else the XDG documents folder + Brindle Audio/Calverine).
install: build
	mkdir -p $(HOME)/.vst
	cp $(BUILD)/Calverine.so $(HOME)/.vst/Calverine.so
	@echo "installed $(HOME)/.vst/Calverine.so"
	@data="$${CALVERINE_DATA_DIR:-$$(xdg-user-dir DOCUMENTS 2>/dev/null || echo "$$HOME/Documents")/Brindle Audio/Calverine}"; \
	mkdir -p "$$data/Soundbanks" && cp -R $(BUILD)/factory/Soundbanks/Showcase "$$data/Soundbanks/" && \
	echo "installed the Showcase soundbank in $$data/Soundbanks/Showcase"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) demo.wav
