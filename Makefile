# The two commands of the README: `make demo` and `make test`.
# Both install what is missing, configure and build from a fresh clone.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: all deps build build-asan test test-release test-asan demo fuzz bench install package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON \
	  -DOSTREL_BUILD_GUI=OFF -DCMAKE_CXX_FLAGS_DEBUG=-O1 $(LAUNCHER)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure --no-tests=error -j $(JOBS)

test: test-release test-asan

demo: build
	@scripts/demo $(BUILD)/drevlin-convert

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DOSTREL_FUZZ=ON -DOSTREL_BUILD_GUI=OFF -DBUILD_TESTING=OFF $(LAUNCHER)
	cmake --build build-fuzz -j $(JOBS)

# `make install PREFIX=P` (default /usr/local); DESTDIR is honoured as usual.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the programs in $(BUILD)/, by CPack.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@bench/run $(BUILD)/drevlin-convert

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz out
