# Front door: `make` builds, `make test` sets up everything and runs every
# test, `make install` installs the module. Debian packages that are missing
# are installed first (apt-get; sudo when not root).

BUILD ?= build
SANITIZE_BUILD ?= $(BUILD)-sanitize
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

BUILD_PACKAGES := cmake make g++ pkg-config liblua5.1-0-dev
DEMO_PACKAGES := $(BUILD_PACKAGES) libpng-dev
TEST_PACKAGES := $(BUILD_PACKAGES) lua5.1 luajit lua-busted libgtest-dev binutils \
  libpng-dev luarocks love xvfb xauth libgl1-mesa-dri
BENCH_PACKAGES := $(BUILD_PACKAGES) libbenchmark-dev libopencv-dev python3
FUZZ_PACKAGES := $(BUILD_PACKAGES) clang-14 libclang-rt-14-dev libomp-14-dev
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all build test demo install clean deps-build deps-test deps-demo bench fuzz

all: build

deps-build:
	@./scripts/install-deps.sh $(BUILD_PACKAGES)

deps-test:
	@./scripts/install-deps.sh $(TEST_PACKAGES)

deps-demo:
	@./scripts/install-deps.sh $(DEMO_PACKAGES)

build: deps-build
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	$(CMAKE) --build $(BUILD) -j $(JOBS)

# The test build treats warnings as errors; the whole suite runs twice: on
# the plain build and on an AddressSanitizer + UndefinedBehaviorSanitizer one.
test: deps-test
	$(CMAKE) -S . -B $(BUILD) -DQ_VEIL_KIT_BUILD_TESTS=ON -DQ_VEIL_KIT_WERROR=ON \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON
	$(CMAKE) --build $(BUILD) -j $(JOBS)
	$(CMAKE) -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQ_VEIL_KIT_BUILD_TESTS=ON -DQ_VEIL_KIT_WERROR=ON -DQ_VEIL_KIT_SANITIZE=ON \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON
	$(CMAKE) --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure
	cd $(BUILD) && ctest --output-on-failure

# The demo: the veil host runs both operations on a sample image into out/.
demo: deps-demo
	$(CMAKE) -S . -B $(BUILD) -DQ_VEIL_KIT_BUILD_VEIL=ON
	$(CMAKE) --build $(BUILD) -j $(JOBS)
	./examples/veil/run-demo.sh $(BUILD) out

# Benchmarks with their references (a read-modify-write pass, OpenCV) and
# the ratio tables; a few minutes on two cores.
bench:
	@./scripts/install-deps.sh $(BENCH_PACKAGES)
	$(CMAKE) -S . -B $(BENCH_BUILD) -DQ_VEIL_KIT_BUILD_BENCH=ON
	$(CMAKE) --build $(BENCH_BUILD) -j $(JOBS)
	./bench/run.sh $(BENCH_BUILD)

# The differential fuzzer (libFuzzer, AddressSanitizer, UBSan) on the
# committed corpus and FUZZ_SECONDS of new inputs.
fuzz:
	@./scripts/install-deps.sh $(FUZZ_PACKAGES)
	$(CMAKE) -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ_VEIL_KIT_BUILD_FUZZ=ON
	$(CMAKE) --build $(FUZZ_BUILD) -j $(JOBS)
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# PREFIX and DESTDIR (read by cmake --install) work as usual.
install: build
	$(CMAKE) --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
