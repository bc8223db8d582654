# Two commands for a fresh Debian machine:
#   make demo   installs what is missing, builds, runs the main job on the example
#   make check  builds a normal and a sanitizer build and runs every test of both
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
PREFIX ?= /usr/local

.PHONY: demo check build asan bootstrap test test-asan bench fuzz install clean

bootstrap:
	@bash scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

asan: bootstrap
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

check: test test-asan

demo: build
	@bash scripts/bootstrap gnuplot-nox
	@bash scripts/demo $(BUILD)/bin

# Programs into $(PREFIX)/bin, README and examples under $(PREFIX)/share;
# DESTDIR stages the tree elsewhere (packaging).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

bench: build
	@bash scripts/bench $(BUILD)/bin

fuzz: bootstrap
	@bash scripts/fuzz

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) fuzz-build
