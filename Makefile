# Two commands: `make run` and `make test`. Everything else is a step of those.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_BUILD_TYPE ?= Release

.PHONY: all deps configure build run test test-sanitize test-sanitize-core test-sanitize-windows test-sanitize-thread lint bench clean

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

# The Debian package korvel_<version>_<arch>.deb, written into $(BUILD_DIR).
.PHONY: package
package: build
	@cmake --build $(BUILD_DIR) --target package

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer: the Qt-free libraries and the batch
# runner, then the offscreen window tests.
test-sanitize: test-sanitize-core
	@$(MAKE) --no-print-directory test-sanitize-windows

# The Qt-free libraries (model, results, run, cases, studies, design, strand) and the batch runner.
test-sanitize-core: deps
	@cmake -S . -B build-asan -DKORVEL_WITH_QT=OFF -DKORVEL_SANITIZE=address,undefined \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The offscreen window tests (not the OpenGL ones) under AddressSanitizer and UndefinedBehaviorSanitizer.
# Only the test programs are built.
WINDOW_TEST_DIRS := components ui run
WINDOW_TESTS := $(filter-out tst_gl_%,$(basename $(notdir $(foreach d,$(WINDOW_TEST_DIRS),$(wildcard tests/$(d)/tst_*.cpp)))))
RUN_TESTS := $(basename $(notdir $(wildcard tests/run/tst_*.cpp)))
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize-windows:
	@cmake -S . -B build-asan-ui -DKORVEL_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-asan-ui -j $(JOBS) --target $(WINDOW_TESTS)
	@for d in $(WINDOW_TEST_DIRS); do \
		(cd build-asan-ui/tests/$$d && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -E '^tst_gl_|_NOT_BUILT$$') || exit 1; \
	done

# The run tests under ThreadSanitizer; not part of test-sanitize. The system's Qt is not built with it, so
# it cannot see the locking inside QWaitCondition::wait, QThread::wait or the semaphore behind a blocking
# queued connection, and reports accesses ordered by them (even two under the same QMutex) as races.
# Read its reports; they do not fail the target.
test-sanitize-thread:
	@cmake -S . -B build-tsan -DKORVEL_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(RUN_TESTS)
	@cd build-tsan/tests/run && TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp:exitcode=0:second_deadlock_stack=1 \
		ctest --output-on-failure -j $(JOBS)

# Static checks of src/ and tools/: cppcheck and clang-tidy (.clang-tidy) over the compile commands of
# $(BUILD_DIR), restricted to those two folders (the generated moc sources are left out).
LINT_DB := $(BUILD_DIR)/lint/compile_commands.json
lint: SHELL := /bin/bash
lint: configure
	@mkdir -p $(BUILD_DIR)/lint
	@python3 -c 'import json,sys; src=sys.argv[1]; \
		db=[e for e in json.load(open(sys.argv[2])) if e["file"].startswith((src+"/src/",src+"/tools/"))]; \
		json.dump(db,open(sys.argv[3],"w"),indent=1)' $(CURDIR) $(BUILD_DIR)/compile_commands.json $(LINT_DB)
	@status=0; \
	cppcheck --project=$(LINT_DB) --enable=warning,performance,portability --std=c++20 --library=qt \
		--inline-suppr --quiet --error-exitcode=1 -j $(JOBS) --suppress=missingIncludeSystem || status=1; \
	run-clang-tidy -p $(BUILD_DIR)/lint -quiet -j $(JOBS) > $(BUILD_DIR)/lint/clang-tidy.log 2>&1 || status=1; \
	grep -vE '^(clang-tidy|[0-9]+ warnings? generated|Suppressed [0-9]+|Use -header-filter)' \
		$(BUILD_DIR)/lint/clang-tidy.log; \
	exit $$status

bench: build
	@$(BUILD_DIR)/bench/bench_model
	@if [ -x $(BUILD_DIR)/bench/bench_paint ]; then QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/bench_paint; fi
	@if [ -x $(BUILD_DIR)/bench/bench_study ]; then $(BUILD_DIR)/bench/bench_study; fi
	@if [ -x $(BUILD_DIR)/bench/bench_run ]; then xvfb-run -a -s "-screen 0 1920x1080x24" $(BUILD_DIR)/bench/bench_run; fi

clean:
	@rm -rf $(BUILD_DIR)
