# Quick start: `make demo` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CTEST_ARGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test demo screenshot package package-test asan tsan clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest $(CTEST_ARGS)

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

asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMIRELK_SANITIZER=address
	cmake --build build-asan -j $(JOBS)
	# The TLS interception of this toolchain's sanitizer misreads the dynamic TLS of libraries
	# opened at run time and crashes the leak check; leaks are still found without it.
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 ctest $(CTEST_ARGS)

tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DMIRELK_SANITIZER=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=suppressions=$(CURDIR)/scripts/tsan.supp ctest $(CTEST_ARGS)

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan
