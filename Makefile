# One-step set-up: `make run` builds and compiles the bundled example, `make test` runs every test.
PRESET ?= release
JOBS ?= $(shell nproc)
BUILD := build/$(PRESET)
EXAMPLE ?= examples/braised-chicken
OUT ?= out/braised-chicken

.PHONY: all deps configure build run test asan-test clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@$(BUILD)/bin/kvc compile $(EXAMPLE)/bundle $(EXAMPLE)/recipe.rcp -o $(OUT); status=$$?; \
	echo "outputs of $(EXAMPLE) written to $(OUT)"; exit $$status

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

clean:
	rm -rf build out
