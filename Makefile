# Two commands: `make run` starts Twinsweep, `make test` runs every test.
# SANITIZE=thread or SANITIZE=address builds in its own folder with that sanitizer.
# `make fuzz` fuzzes the helper's reading of the link for FUZZ_SECONDS (clang
# with libFuzzer needed); findings land in build-fuzzer/findings.

SANITIZE ?=
JOBS ?= $(shell nproc)
ifeq ($(SANITIZE),)
BUILD_DIR ?= build
else
BUILD_DIR ?= build-$(SANITIZE)
endif

# Said before a build that starts from nothing, so a first run does not look hung.
FIRST_BUILD = $(if $(wildcard $(BUILD_DIR)/bin/Twinsweep),, (the first build takes a few minutes))

FUZZ_SECONDS ?= 600
# Expanded only when the fuzz recipe runs, after fuzz-deps installed them.
FUZZ_CXX ?= $(firstword $(shell which clang++-14 clang++ 2>/dev/null))
FUZZ_CC ?= $(firstword $(shell which clang-14 clang 2>/dev/null))

.PHONY: run test app build configure deps clean fuzz fuzz-deps

deps:
	@bash scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then echo "Configuring the build in $(BUILD_DIR)/…"; fi
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DSANITIZE=$(SANITIZE) >/dev/null

# Only the program, its helper and its resources: no test program.
app: configure
	@echo "Building Twinsweep$(FIRST_BUILD)…"
	@cmake --build $(BUILD_DIR) --target twinsweep-app -j $(JOBS)

# Everything, the tests and benchmarks included.
build: configure
	@echo "Building Twinsweep and its tests$(FIRST_BUILD)…"
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: app
	@echo "Starting Twinsweep…"
	@exec $(BUILD_DIR)/bin/Twinsweep

test: build
	@echo "Running the tests…"
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz-deps:
	@bash scripts/install-deps.sh --fuzz

# The fuzzing build has a folder of its own and builds only the fuzz target.
fuzz: fuzz-deps
	@if [ -z "$(FUZZ_CXX)" ] || ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' \
	    | $(FUZZ_CXX) -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then \
	  echo "make fuzz needs clang with -fsanitize=fuzzer (clang-14 and libclang-rt-14-dev)"; exit 1; \
	fi
	@CC=$(FUZZ_CC) CXX=$(FUZZ_CXX) cmake -S . -B build-fuzzer -G Ninja -DSANITIZE=fuzzer >/dev/null
	@cmake --build build-fuzzer -j $(JOBS) --target LinkFrameFuzzer
	@mkdir -p build-fuzzer/corpus build-fuzzer/findings
	build-fuzzer/tests/LinkFrameFuzzer build-fuzzer/corpus Tests/Fuzz/corpus -max_total_time=$(FUZZ_SECONDS) \
	  -max_len=65536 -rss_limit_mb=2048 -artifact_prefix=build-fuzzer/findings/ -print_final_stats=1

clean:
	rm -rf build build-thread build-address build-fuzzer
