# Entry points. `make test` and `make run` set up a fresh Debian 12 machine themselves.

NATIVE_PRESETS := native native-asan native-tsan
WINDOWS_PRESETS := win64 win32

.PHONY: all deps test test-native test-windows run screenshots build-windows format clean

all: test

deps:
	@./tools/setup/install-deps.sh

# Every build, every test: native plain, under ASan/UBSan and TSan, and win64 under Wine;
# win32 is built and linked only (this kernel cannot run 32-bit programs).
test: deps
	@./tools/build/run-tests.sh $(NATIVE_PRESETS) $(WINDOWS_PRESETS)

test-native: deps
	@./tools/build/run-tests.sh $(NATIVE_PRESETS)

test-windows: deps
	@./tools/build/run-tests.sh $(WINDOWS_PRESETS)

run: deps
	@./tools/build/run-main.sh

# Pictures of the dialogs under Wine and Xvfb, in docs/screenshots/.
screenshots: deps
	@./tools/screenshots/take.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
