# Entry points. `make test` and `make run` set up a fresh Debian 12 machine themselves.

NATIVE_PRESETS := native native-asan native-tsan native-i686
WINDOWS_PRESETS := win64 win32

.PHONY: all deps test test-native test-windows test-monitors run package test-package screenshots build-windows fuzz format clean

all: test

deps:
	@./tools/setup/install-deps.sh

# Every build, every test: native plain, under ASan/UBSan and TSan, i686 through qemu, and win64
# under Wine; win32's shipped programs are built and linked only (this kernel cannot run 32-bit
# Windows programs).
test: deps
	@./tools/build/run-tests.sh $(NATIVE_PRESETS) $(WINDOWS_PRESETS)

test-native: deps
	@./tools/build/run-tests.sh $(NATIVE_PRESETS)

test-windows: deps
	@./tools/build/run-tests.sh $(WINDOWS_PRESETS)

# The window tests that need two monitors, on Xorg's dummy driver (not part of `make test`).
test-monitors: deps
	@./tools/monitors/run.sh

run: deps
	@./tools/build/run-main.sh

# The release: both architectures built from scratch (build/release-win64, build/release-win32),
# then dist/Quillon-VERSION-windows.zip, -setup.exe and -debug.zip, then the package test.
package: deps
	@./tools/package/make-package.sh
	@./tools/package/test-package.sh

# The package test alone, on what dist/ holds (slow: installs and uninstalls under Wine).
test-package: deps
	@./tools/package/test-package.sh

# The fuzz targets (clang and libFuzzer, their own build in build/fuzz; not part of `make test`),
# each for FUZZ_SECONDS seconds; FUZZ_TARGETS picks some (default all). Crashes land in
# tests/fuzz/found/, which the tests replay.
FUZZ_SECONDS ?= 45
FUZZ_TARGETS ?=
fuzz: deps
	@FUZZ_SECONDS=$(FUZZ_SECONDS) ./tools/build/run-fuzz.sh $(FUZZ_TARGETS)

# Pictures of the dialogs under Wine and Xvfb, in docs/screenshots/.
screenshots: deps
	@./tools/screenshots/take.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
