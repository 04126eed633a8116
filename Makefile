# One-step set-up: `make run` builds and compiles the bundled example, `make test` runs every test.
PRESET ?= release
JOBS ?= $(shell nproc)
BUILD := build/$(PRESET)
EXAMPLE ?= examples/braised-chicken
OUT ?= out/braised-chicken

.PHONY: all deps profile configure build build-all run test asan-test windows windows-test install clean

all: build

deps:
	@bash scripts/install-deps.sh

# The release build is optimised with the profile of a training run (scripts/pgo-train.sh).
profile: deps
	@JOBS=$(JOBS) bash scripts/pgo-train.sh

configure: deps $(if $(filter release,$(PRESET)),profile)
	@cmake --preset $(PRESET) >/dev/null

# What `run` needs: the library and kvc, not the tests, benchmarks and fuzz replays.
build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target kvc

build-all: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@$(BUILD)/bin/kvc compile $(EXAMPLE)/bundle $(EXAMPLE)/recipe.rcp -o $(OUT); status=$$?; \
	echo "outputs of $(EXAMPLE) written to $(OUT)"; exit $$status

test: build-all
	@ctest --preset $(PRESET) -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

# The Windows DLLs and kvc.exe, cross-built: 32-bit (the deliverable) and its 64-bit twin.
windows:
	@bash scripts/install-deps.sh --windows
	@for preset in windows windows-x64; do \
		cmake --preset $$preset >/dev/null && cmake --build --preset $$preset -j $(JOBS) || exit 1; \
	done

# Both Windows builds and their tests under Wine (see scripts/windows-test.sh).
windows-test:
	@JOBS=$(JOBS) bash scripts/windows-test.sh

# The libraries, headers, kvc and the CMake and pkg-config packages under PREFIX.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build out
