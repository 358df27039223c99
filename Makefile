# Two commands: `make run` starts Twinsweep, `make test` runs every test.
# SANITIZE=thread or SANITIZE=address builds in its own folder with that sanitizer.

SANITIZE ?=
JOBS ?= $(shell nproc)
ifeq ($(SANITIZE),)
BUILD_DIR ?= build
else
BUILD_DIR ?= build-$(SANITIZE)
endif

# Said before a build that starts from nothing, so a first run does not look hung.
FIRST_BUILD = $(if $(wildcard $(BUILD_DIR)/bin/Twinsweep),, (the first build takes a few minutes))

.PHONY: run test app build configure deps clean

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

clean:
	rm -rf build build-thread build-address
