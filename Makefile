# Verdalin: `make test` builds both programs and runs every test; `make demo` runs the program.
.PHONY: all deps linux windows dist dist-linux dist-windows test test-linux test-windows fuzz bench \
	demo clean format

JOBS ?= 2

all: linux windows

deps:
	@tools/install-deps.sh

linux: deps
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS)

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# The packages in build/dist: the Debian package, the portable zip and the setup program. The
# tests install and run them, so each test run builds them first.
dist: dist-linux dist-windows

dist-linux: linux
	cmake --build --preset linux --target dist

dist-windows: windows
	cmake --build --preset windows --target dist

# The tests run in a network namespace whose only interface is loopback, where the machine allows,
# and find a stub xdg-open first (Wine's browser launcher uses it too): no test ever starts a
# browser by opening a page or the home page.
STUBS = PATH="$(CURDIR)/tests/stubs:$$PATH"

test-linux: dist-linux
	$(STUBS) tools/loopback-only.sh tools/with-fake-gateway.sh ctest --preset linux

test-windows: dist-windows
	$(STUBS) tools/loopback-only.sh tools/wine-session.sh build/windows tools/with-fake-gateway.sh \
	  ctest --preset windows

fuzz: deps
	tools/run-fuzzers.sh

bench: linux
	for b in build/linux/bench/*_bench; do [ -x "$$b" ] && "$$b" || exit 1; done
	bench/report-year.sh build/linux

test: test-linux test-windows fuzz
	@echo "All tests passed (native and under Wine)."

demo: linux
	tools/demo.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
