# Two commands: `make run` and `make test`. Everything else is a step of those.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_BUILD_TYPE ?= Release

.PHONY: all deps configure build run test test-sanitize bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(CMAKE_BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/src/app/korvel

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The model and the batch runner under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B build-asan -DKORVEL_WITH_QT=OFF -DKORVEL_SANITIZE=address,undefined \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bench/bench_model
	@if [ -x $(BUILD_DIR)/bench/bench_paint ]; then QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/bench_paint; fi

clean:
	@rm -rf $(BUILD_DIR)
