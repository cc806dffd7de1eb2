# The two set-up commands: `make run` and `make test`. Both install what is
# missing first, so they work on a fresh Debian machine.
BUILD := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

# `make test-sanitize`: the whole suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer in its own folder. `make fuzz`: every fuzz target
# with libFuzzer (clang) for FUZZ_SECONDS each, in its own folder too.
SANITIZE_BUILD := build-sanitize
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: all deps configure build run test test-sanitize fuzz bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/pairvue

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=None -DPAIRVUE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

fuzz:
	@scripts/install-deps fuzz
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAIRVUE_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz-all
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: configure
	@scripts/install-deps bench
	@cmake --build $(BUILD) -j$(JOBS) --target pairvue_bench
	./$(BUILD)/pairvue_bench
	xvfb-run -a -s "-screen 0 1920x1200x24" env QT_QPA_PLATFORM=xcb \
	  ./$(BUILD)/pairvue_bench --benchmark_filter=BM_CropDragThroughX

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
