# The README's two commands: `make demo` and `make test`. Both install what is missing first.
.PHONY: all test test-release demo package bench fuzz screenshots clean bootstrap windows

FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

all: test

bootstrap:
	@scripts/bootstrap

test: bootstrap
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset windows
	cmake --build --preset windows

# The suite on an optimised build without sanitizers, as packagers build it.
test-release: bootstrap
	cmake --preset release-test
	cmake --build --preset release-test
	ctest --preset release-test

demo: bootstrap
	cmake --preset release
	cmake --build --preset release
	scripts/demo build/release/tqconv

# tqconv.exe for 64-bit Windows, cross-built with mingw-w64: build/windows/tqconv.exe
windows: bootstrap
	cmake --preset windows
	cmake --build --preset windows

# The Debian package of a release build: build/release/tqconverter_VERSION_ARCH.deb
package: bootstrap
	cmake --preset release
	cmake --build --preset release
	cd build/release && cpack -G DEB

bench: bootstrap
	cmake --preset bench
	cmake --build --preset bench
	scripts/bench build/bench

fuzz: bootstrap
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz build/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

screenshots:
	@scripts/bootstrap --screenshots
	cmake --preset release
	cmake --build --preset release
	scripts/screenshots build/release

clean:
	rm -rf build
