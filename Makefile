# Front door. `make` builds the module for Lua 5.1 and LuaJIT (`make LUA=5.4`
# for another Lua), `make install` installs it. Neither changes the system:
# when a Debian package they need is missing, they name it and stop.
# `make test`, `make demo`, `make bench` and `make fuzz` install the Debian
# packages they need first (apt-get; sudo when not root).

LUA_VERSIONS := 5.1 5.2 5.3 5.4
# Only the command line picks the Lua: a LUA in the environment is often an
# interpreter's path, not a version of ours.
ifneq ($(origin LUA),command line)
LUA := 5.1
endif
ifeq ($(filter $(LUA),$(LUA_VERSIONS)),)
$(error LUA=$(LUA) is not a Lua this module builds for; use one of $(LUA_VERSIONS) (5.1 also serves LuaJIT))
endif

# The plain build of a Lua version: build/ for 5.1, build-lua5.X/ otherwise.
plain_build = $(if $(filter 5.1,$(1)),build,build-lua$(1))
BUILD ?= $(call plain_build,$(LUA))
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

# make test's builds, each in a folder of its own, so that its options
# (warnings as errors, tests, veil, sanitizers) never reach the folders that
# `make` and `make install` use.
TEST_BUILD ?= build-test
SANITIZE_BUILD ?= $(TEST_BUILD)-sanitize
CLANG_BUILD ?= $(TEST_BUILD)-clang
TEST_LUA_VERSIONS := 5.2 5.3 5.4
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
DEMO_OUT := out

lua_dev_package = $(if $(filter 5.1,$(1)),liblua5.1-0-dev,liblua$(1)-dev)
# g++ only when the compiler is left to the defaults.
COMPILER_PACKAGE := $(if $(filter default,$(origin CXX)),g++)
BUILD_PACKAGES := cmake make pkg-config $(COMPILER_PACKAGE) $(call lua_dev_package,$(LUA))
DEMO_PACKAGES := cmake make pkg-config g++ liblua5.1-0-dev libpng-dev
# time: /usr/bin/time, with which the veil tests measure the memory veil holds.
TEST_PACKAGES := $(DEMO_PACKAGES) lua-busted libgtest-dev binutils luarocks \
  lua5.1 luajit $(foreach v,$(TEST_LUA_VERSIONS),lua$(v) liblua$(v)-dev) \
  clang libomp-dev love xvfb xauth libgl1-mesa-dri time
BENCH_PACKAGES := cmake make pkg-config g++ liblua5.1-0-dev libbenchmark-dev \
  libopencv-dev python3
FUZZ_PACKAGES := cmake make pkg-config liblua5.1-0-dev clang-14 \
  libclang-rt-14-dev libomp-14-dev

TEST_OPTIONS := -DQ_VEIL_KIT_BUILD_TESTS=ON -DQ_VEIL_KIT_WERROR=ON
# The legs for the other Lua versions and for Clang need only the module and
# testbuf: the unit tests and veil do not depend on either.
LEG_OPTIONS := $(TEST_OPTIONS) -DQ_VEIL_KIT_BUILD_UNIT_TESTS=OFF

# Recipe lines, each block ending in an empty line so that $(foreach)
# strings blocks together line by line.
# configure_and_build FOLDER, CMAKE_OPTIONS
define configure_and_build
	$(CMAKE) -S . -B $(1) $(2)
	$(CMAKE) --build $(1) -j $(JOBS)

endef
# run_tests FOLDER[, CTEST_OPTIONS]
define run_tests
	cd $(1) && ctest --output-on-failure $(2)

endef

.PHONY: all build test demo install clean bench fuzz

all: build

build:
	@./scripts/install-deps.sh --check $(BUILD_PACKAGES)
	$(call configure_and_build,$(BUILD),-DQ_VEIL_KIT_LUA=$(LUA) \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DQ_VEIL_KIT_BUILD_TESTS=OFF -DQ_VEIL_KIT_WERROR=OFF)

# PREFIX and DESTDIR (read by cmake --install) work as usual.
install: build
	$(CMAKE) --install $(BUILD) --prefix $(PREFIX)

# Every test: the whole suite on a GCC build for Lua 5.1 and LuaJIT, again on
# an AddressSanitizer + UndefinedBehaviorSanitizer build, and the Lua suite
# and the packaging checks for Lua 5.2, 5.3 and 5.4; then the Lua suite
# under lua5.1 and the forking host on a Clang build with LLVM's OpenMP
# runtime.
test:
	@./scripts/install-deps.sh $(TEST_PACKAGES)
	$(call configure_and_build,$(TEST_BUILD),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON)
	$(call configure_and_build,$(SANITIZE_BUILD),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON -DQ_VEIL_KIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
	$(foreach v,$(TEST_LUA_VERSIONS),$(call configure_and_build,$(TEST_BUILD)-lua$(v),$(LEG_OPTIONS) \
	  -DQ_VEIL_KIT_LUA=$(v)))
	$(call configure_and_build,$(CLANG_BUILD),$(LEG_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DCMAKE_CXX_COMPILER=clang++)
	$(call run_tests,$(SANITIZE_BUILD))
	$(foreach v,$(TEST_LUA_VERSIONS),$(call run_tests,$(TEST_BUILD)-lua$(v)))
	$(call run_tests,$(CLANG_BUILD),-R '^(lua_suite_lua5\.1|fork_host)$$')
	$(call run_tests,$(TEST_BUILD))

# The demo: the veil host runs both operations on a sample image into out/.
demo:
	@./scripts/install-deps.sh $(DEMO_PACKAGES)
	$(call configure_and_build,$(BUILD),-DQ_VEIL_KIT_LUA=$(LUA) -DQ_VEIL_KIT_BUILD_VEIL=ON)
	./examples/veil/run-demo.sh $(BUILD) $(DEMO_OUT)

# Benchmarks with their references (a read-modify-write pass, OpenCV) and
# the ratio tables; a few minutes on two cores.
bench:
	@./scripts/install-deps.sh $(BENCH_PACKAGES)
	$(call configure_and_build,$(BENCH_BUILD),-DQ_VEIL_KIT_BUILD_BENCH=ON)
	./bench/run.sh $(BENCH_BUILD)

# The differential fuzzer (libFuzzer, AddressSanitizer, UBSan) on the
# committed corpus and FUZZ_SECONDS of new inputs.
fuzz:
	@./scripts/install-deps.sh $(FUZZ_PACKAGES)
	$(call configure_and_build,$(FUZZ_BUILD),-DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ_VEIL_KIT_BUILD_FUZZ=ON)
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every folder the targets above create, whichever LUA they were run with.
clean:
	rm -rf $(sort $(BUILD) $(foreach v,$(LUA_VERSIONS),$(call plain_build,$(v)))) \
	  $(TEST_BUILD) $(SANITIZE_BUILD) $(CLANG_BUILD) \
	  $(foreach v,$(TEST_LUA_VERSIONS),$(TEST_BUILD)-lua$(v)) \
	  $(BENCH_BUILD) $(FUZZ_BUILD) $(DEMO_OUT)
