# Quick start: `make demo` and `make test`. Both install what is missing first.
# The builds are CMake's presets (CMakePresets.json): release in build/, asan and tsan in
# build-asan/ and build-tsan/. Another BUILD_DIR is configured the same way without a preset.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CTEST_ARGS ?= --output-on-failure -j $(JOBS)

ifeq ($(BUILD_DIR),build)
CONFIGURE = cmake --preset release
BUILD = cmake --build --preset release -j $(JOBS)
TEST = ctest --preset release $(CTEST_ARGS)
else
CONFIGURE = cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
BUILD = cmake --build $(BUILD_DIR) -j $(JOBS)
TEST = cd $(BUILD_DIR) && ctest $(CTEST_ARGS)
endif

.PHONY: all deps build test demo screenshot package package-test asan tsan clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	$(CONFIGURE)
	$(BUILD)

test: build
	$(TEST)

demo: build
	bash scripts/demo.sh

screenshot: build
	bash scripts/screenshot.sh

# The Debian package, in the build folder.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The package installed in a clean Debian 12 root and used there; needs root and the network to
# the Debian archive, so it is not part of `make test`.
package-test: build
	bash scripts/package-test.sh $(BUILD_DIR)

# The TLS interception of this toolchain's sanitizer misreads the dynamic TLS of libraries
# opened at run time and crashes the leak check; leaks are still found without it. The test
# preset sets ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 and LSAN_OPTIONS with
# scripts/lsan.supp.
asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan $(CTEST_ARGS)

# The test preset sets TSAN_OPTIONS with scripts/tsan.supp.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan $(CTEST_ARGS)

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan
