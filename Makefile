# Two commands: `make run` and `make test`. Everything else is a step of those.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_BUILD_TYPE ?= Release

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(CMAKE_BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/src/app/korvel ]; then $(BUILD_DIR)/src/app/korvel; \
	else $(BUILD_DIR)/tools/korvel-batch --summary-only; fi

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	@rm -rf $(BUILD_DIR)
