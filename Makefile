# The two commands of the README: `make run` and `make test`. Each installs what is missing first.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
CTEST_ARGS ?=

.PHONY: all setup configure build test run install sanitize fuzz tsan bench clean

# Sanitizer settings for the sanitizer passes: leaks of the system libraries, races inside them and the
# false reports of strict string checks inside them are suppressed (scripts/*.supp); our own code gets no
# suppressions.
# intercept_tls_get_addr=0: up to LLVM 16 the runtime's __tls_get_addr hook mistakes some dynamic
# thread-local blocks (those of libraries loaded at run time, such as Vistra32's) for an old glibc
# layout, and the leak checker's tracer then crashes at exit now and then with no leak to report.
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=0:strict_string_checks=1:intercept_tls_get_addr=0:suppressions=$(CURDIR)/scripts/asan.supp
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS ?= halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/scripts/tsan.supp

all: build

setup:
	@scripts/setup

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: setup configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600 $(CTEST_ARGS)

run: build
	@scripts/run $(BUILD)

# Builds, then installs into PREFIX (README, "Installing"): `make install PREFIX=~/.local`.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer, built with clang so that the
# libFuzzer targets join in; each fuzz target runs a bounded number of inputs.
sanitize: setup
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=address,undefined -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF"

# Every libFuzzer target for SECONDS seconds each (default 60), under AddressSanitizer and
# UndefinedBehaviorSanitizer in an optimised build of its own (a debug build runs the DV targets ten
# times slower); the corpora grow in build-fuzz/fuzz-corpus.
# `make fuzz SECONDS=600 FUZZ_TARGETS="fuzz_dpof dvcdec_fuzzer"` runs a few.
SECONDS      ?= 60
FUZZ_TARGETS ?=
fuzz: setup
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_SANITIZE=address,undefined -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	scripts/fuzz build-fuzz $(SECONDS) $(FUZZ_TARGETS)

# The threaded code's tests (label `threads`) under ThreadSanitizer.
tsan: setup
	cmake -S . -B build-tsan -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=thread -DKESTREL_BENCH=OFF
	cmake --build build-tsan -j $(JOBS) --target tsan_tests
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -L threads

bench: build
	@scripts/bench $(BUILD)

clean:
	rm -rf build build-asan build-tsan
