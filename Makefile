# The two commands of the README: `make run` and `make test`. Each installs what is missing first.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
CTEST_ARGS ?=

.PHONY: all setup configure build test run sanitize tsan bench clean

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

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer, built with clang so that the
# libFuzzer targets join in; each fuzz target runs a bounded number of inputs.
sanitize: setup
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=address,undefined -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF"

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
