# Two commands: `make run` starts Twinsweep, `make test` runs every test.
# SANITIZE=thread or SANITIZE=address builds in its own folder with that sanitizer.

SANITIZE ?=
JOBS ?= $(shell nproc)
ifeq ($(SANITIZE),)
BUILD_DIR ?= build
else
BUILD_DIR ?= build-$(SANITIZE)
endif

.PHONY: run test build configure deps clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DSANITIZE=$(SANITIZE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/bin/Twinsweep ]; then \
	  exec $(BUILD_DIR)/bin/Twinsweep; \
	else \
	  echo "Built the libraries and tests; the Twinsweep program itself is not part of this build yet."; \
	fi

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build build-thread build-address
