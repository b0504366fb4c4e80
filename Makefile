BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-sanitize bench install clean

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/kestrova

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 120

# The suite again, built with the address and undefined-behaviour sanitizers
# in a tree of its own (Debug, so assertions hold too); leaks fail a test.
SANITIZE_DIR ?= build-sanitize

test-sanitize: deps
	scripts/test-sanitize $(SANITIZE_DIR) $(JOBS)

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/kestrova_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	bench/idle_cost.sh $(BUILD_DIR)

install: build
	cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
