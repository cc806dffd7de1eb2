# The two set-up commands: `make run` and `make test`. Both install what is
# missing first, so they work on a fresh Debian machine.
BUILD := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench clean

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

bench: configure
	@scripts/install-deps bench
	@cmake --build $(BUILD) -j$(JOBS) --target pairvue_bench
	./$(BUILD)/pairvue_bench

clean:
	rm -rf $(BUILD)
