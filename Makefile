# The README's two commands: `make demo` and `make test`. Both install what is missing first.
# make test: the Linux suite with sanitizers, the Windows build's suite under Wine, and every
# sample converted by both builds to the same bytes.
.PHONY: all test test-release demo package bench fuzz screenshots clean bootstrap windows

FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
# The project's version, as CMakeLists.txt states it.
VERSION := $(shell grep -m1 -o 'tqconverter VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

all: test

bootstrap:
	@scripts/bootstrap

test: bootstrap
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset windows-test
	cmake --build --preset windows-test
	# Under Wine a failed test is run once more (the preset's repeat): Wine has been seen to end a
	# program at its start with no output, about once in a few thousand runs.
	ctest --preset windows-test
	scripts/cross-check build/asan/tqconv build/windows-test/tqconv.exe build/windows-test/wine-prefix
	WINEPREFIX=$(CURDIR)/build/windows-test/wine-prefix wineserver -k

# The suite on an optimised build without sanitizers, as packagers build it.
test-release: bootstrap
	cmake --preset release-test
	cmake --build --preset release-test
	ctest --preset release-test

demo: bootstrap
	cmake --preset release
	cmake --build --preset release
	scripts/demo build/release/tqconv

# The programs for 64-bit Windows, cross-built with mingw-w64 (build/windows/tqconv.exe and
# tqconverter.exe), their zip and their installer, which is then installed and removed under Wine.
windows: bootstrap
	cmake --preset windows
	cmake --build --preset windows --target all windows-packages
	scripts/windows-install-check build/windows/tqconverter-$(VERSION)-windows-x64-setup.exe \
	  build/windows/wine-prefix-install $(VERSION)

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
	cmake --preset windows
	cmake --build --preset windows --target tqconverter_screenshots
	scripts/windows-screenshots build/windows

clean:
	rm -rf build
