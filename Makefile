# Front door; `make help` lists the targets and variables. `make` builds the
# module for Lua 5.1 and LuaJIT (`make LUA=5.4` for another Lua), `make
# install` installs it. Neither changes the system: when a Debian package
# they need is missing, they name it and stop. `make test`, `make demo`,
# `make bench` and `make fuzz` install the Debian packages they need first
# (apt-get; sudo when not root). Every target builds in a folder of its own,
# so no target's options reach another's.

LUA_VERSIONS := 5.1 5.2 5.3 5.4
# LUA picks the Lua to build for, from the command line or the environment.
# In the environment LUA is often an interpreter's path rather than one of
# our versions: such a value is set aside, with a warning.
ifeq ($(origin LUA),environment)
ifeq ($(filter $(LUA),$(LUA_VERSIONS)),)
$(warning LUA=$(LUA) in the environment is not a Lua version; building for 5.1 (make LUA=5.X picks one))
LUA := 5.1
endif
endif
LUA ?= 5.1
ifneq ($(words $(LUA)) $(filter $(LUA),$(LUA_VERSIONS)),1 $(LUA))
$(error LUA=$(LUA) is not one Lua this module builds for; use one of $(LUA_VERSIONS) (5.1 also serves LuaJIT))
endif

# The plain build of a Lua version: build/ for 5.1, build-lua5.X/ otherwise.
plain_build = $(if $(filter 5.1,$(1)),build,build-lua$(1))
BUILD ?= $(call plain_build,$(LUA))
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

TEST_BUILD ?= build-test
SANITIZE_BUILD ?= $(TEST_BUILD)-sanitize
CLANG_BUILD ?= $(TEST_BUILD)-clang
# The portable copies alone (no AVX2 copy), as arm64 runs them: the Lua suite
# once, natively.
PORTABLE_BUILD ?= $(TEST_BUILD)-portable
TEST_LUA_VERSIONS := 5.2 5.3 5.4
# The unsanitized veil, with its tests and the packaging tests that install
# it, is built in this leg: the hosts are checked with a Lua other than 5.1
# (the sanitizer leg checks them with 5.1) and built once without sanitizer.
VEIL_TEST_LUA := 5.4
DEMO_BUILD ?= build-demo
DEMO_OUT := out
BENCH_BUILD ?= build-bench
# The same with the portable copies alone, measured against it.
BENCH_PORTABLE_BUILD ?= $(BENCH_BUILD)-portable
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# The legs for other systems, cross-built and run under an emulator: each
# keeps the Lua it runs with (built, or unpacked from Debian's packages) in
# its folder, so a second run is fast.
WINDOWS_BUILD ?= $(TEST_BUILD)-windows
ARM64_BUILD ?= $(TEST_BUILD)-arm64
WINE ?= /usr/lib/wine/wine64
QEMU_AARCH64 ?= qemu-aarch64
# Where make source-rock leaves the release files.
DIST ?= dist
# What luarocks make leaves in the checkout.
LUAROCKS_BUILD := build.luarocks

# Debian packages, named in scripts/debian-packages.txt.
packages = $(shell sed -n 's/^$(1):[[:space:]]*//p' scripts/debian-packages.txt)
# g++ only when the compiler is left to the defaults.
COMPILER_PACKAGE := $(if $(filter default,$(origin CXX)),$(call packages,compiler))
BUILD_PACKAGES := $(call packages,build) $(COMPILER_PACKAGE) $(call packages,lua$(LUA))
# The hosts (veil, the benchmarks, the fuzzer) link the Lua chosen.
HOST_PACKAGES := $(call packages,build) $(call packages,compiler) $(call packages,lua$(LUA))
DEMO_PACKAGES := $(HOST_PACKAGES) $(call packages,demo)
TEST_PACKAGES := $(DEMO_PACKAGES) $(call packages,test) \
  $(foreach v,5.1 $(TEST_LUA_VERSIONS),$(call packages,lua$(v))) \
  $(call packages,windows) $(call packages,arm64)
WINDOWS_PACKAGES := $(call packages,build) $(call packages,windows)
ARM64_PACKAGES := $(call packages,build) $(call packages,arm64)
BENCH_PACKAGES := $(HOST_PACKAGES) $(call packages,bench)
FUZZ_PACKAGES := $(call packages,build) $(call packages,lua$(LUA)) $(call packages,fuzz)

# The plain build sets every option, so that a folder configured by an
# older Makefile (whose demo turned veil on in build/) is put right too.
PLAIN_OPTIONS := -DQ_VEIL_KIT_BUILD_TESTS=OFF -DQ_VEIL_KIT_WERROR=OFF -DQ_VEIL_KIT_SANITIZE=OFF \
  -DQ_VEIL_KIT_BUILD_VEIL=OFF -DQ_VEIL_KIT_BUILD_BENCH=OFF -DQ_VEIL_KIT_BUILD_FUZZ=OFF
TEST_OPTIONS := -DQ_VEIL_KIT_BUILD_TESTS=ON -DQ_VEIL_KIT_WERROR=ON
# The legs for the other Lua versions and for Clang need only the module and
# testbuf: the unit tests do not depend on either.
LEG_OPTIONS := $(TEST_OPTIONS) -DQ_VEIL_KIT_BUILD_UNIT_TESTS=OFF
WINDOWS_LUA := $(abspath $(WINDOWS_BUILD))/lua
WINDOWS_OPTIONS := $(LEG_OPTIONS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
  -DLUA_INCLUDE_DIR='$(WINDOWS_LUA)/lua5.1/include' -DCMAKE_CROSSCOMPILING_EMULATOR='$(WINE)' \
  -DQ_VEIL_KIT_TEST_INTERPRETERS='lua5.1=$(WINDOWS_LUA)/lua5.1/lua.exe;luajit=$(WINDOWS_LUA)/luajit/luajit.exe'
# LuaJIT runs without its compiler there: Debian's arm64 LuaJIT fuses a*b+c
# into one multiply-add, so the tests' Lua model of the soft blend would
# round differently from the module (whose own code has nothing fused).
ARM64_SYSROOT := $(abspath $(ARM64_BUILD))/lua/sysroot
ARM64_OPTIONS := $(LEG_OPTIONS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake \
  -DQ_VEIL_KIT_SYSROOT='$(ARM64_SYSROOT)' -DLUA_INCLUDE_DIR='$(ARM64_SYSROOT)/usr/include/lua5.1' \
  -DCMAKE_CROSSCOMPILING_EMULATOR='$(QEMU_AARCH64);-L;$(ARM64_SYSROOT)' \
  -DQ_VEIL_KIT_TEST_INTERPRETERS='lua5.1=$(ARM64_SYSROOT)/usr/bin/lua5.1;luajit=$(ARM64_SYSROOT)/usr/bin/luajit -joff'
# make test's legs, in the order they run: FOLDER, or FOLDER:TEST-REGEX.
TEST_LEGS := $(SANITIZE_BUILD) $(foreach v,$(TEST_LUA_VERSIONS),$(TEST_BUILD)-lua$(v)) \
  $(CLANG_BUILD):^(lua_suite_lua5\.1|fork_host)$$ $(PORTABLE_BUILD):^lua_suite_lua5\.1$$ \
  $(WINDOWS_BUILD) $(ARM64_BUILD) $(TEST_BUILD)

# Recipe lines, each block ending in an empty line so that $(foreach)
# strings blocks together line by line.
# configure_and_build FOLDER, CMAKE_OPTIONS
define configure_and_build
	$(CMAKE) -S . -B '$(1)' $(2)
	$(CMAKE) --build '$(1)' -j $(JOBS)

endef

# windows_leg and arm64_leg: the Lua they run with, then their build.
define windows_leg
	./scripts/cross/windows-lua.sh '$(WINDOWS_LUA)'
$(call configure_and_build,$(WINDOWS_BUILD),$(WINDOWS_OPTIONS))
endef
define arm64_leg
	./scripts/cross/arm64-sysroot.sh '$(abspath $(ARM64_BUILD))/lua'
$(call configure_and_build,$(ARM64_BUILD),$(ARM64_OPTIONS))
endef

.PHONY: all build install source-rock test test-windows test-arm64 demo bench fuzz clean help

all: build

build:
	@./scripts/install-deps.sh --check $(BUILD_PACKAGES)
	$(call configure_and_build,$(BUILD),-DQ_VEIL_KIT_LUA=$(LUA) $(PLAIN_OPTIONS))

# The prefix is given at install time only, so it never sticks in a cache;
# DESTDIR (read by cmake --install) works as usual.
install: build
	$(CMAKE) --install '$(BUILD)' --prefix '$(PREFIX)'

# A release as one file: DIST/q_veil_kit-V-R.src.rock (with the tarball and
# the rockspec beside it), which `luarocks install FILE` builds offline.
source-rock:
	@./scripts/install-deps.sh --check luarocks
	./scripts/make-source-rock.sh '$(DIST)'

# Every leg runs, even after a failure, and the last line sums them all.
test:
	@./scripts/install-deps.sh $(TEST_PACKAGES)
	$(call configure_and_build,$(TEST_BUILD),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_BUILD_VEIL=OFF)
	$(call configure_and_build,$(SANITIZE_BUILD),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON -DQ_VEIL_KIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
	$(foreach v,$(TEST_LUA_VERSIONS),$(call configure_and_build,$(TEST_BUILD)-lua$(v),$(LEG_OPTIONS) \
	  -DQ_VEIL_KIT_LUA=$(v) $(if $(filter $(VEIL_TEST_LUA),$(v)),-DQ_VEIL_KIT_BUILD_VEIL=ON)))
	$(call configure_and_build,$(CLANG_BUILD),$(LEG_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DCMAKE_CXX_COMPILER=clang++)
	$(call configure_and_build,$(PORTABLE_BUILD),$(LEG_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_PORTABLE_ONLY=ON)
	$(windows_leg)
	$(arm64_leg)
	./scripts/run-test-legs.sh $(foreach leg,$(TEST_LEGS),'$(leg)')

# The module built for Windows x64 with MinGW-w64, its DLL's tables, and the
# Lua suite under wine with lua.exe and luajit.exe built from Debian's
# sources. Runs alone; make test runs it too.
test-windows:
	@./scripts/install-deps.sh $(WINDOWS_PACKAGES)
	$(windows_leg)
	./scripts/run-test-legs.sh '$(WINDOWS_BUILD)'

# The module built for Linux arm64 and the Lua suite under qemu with
# Debian's arm64 lua5.1 and luajit. Runs alone; make test runs it too.
test-arm64:
	@./scripts/install-deps.sh $(ARM64_PACKAGES)
	$(arm64_leg)
	./scripts/run-test-legs.sh '$(ARM64_BUILD)'

# veil and the module, both for the Lua chosen.
demo:
	@./scripts/install-deps.sh $(DEMO_PACKAGES)
	$(call configure_and_build,$(DEMO_BUILD),-DQ_VEIL_KIT_LUA=$(LUA) -DQ_VEIL_KIT_BUILD_VEIL=ON)
	./examples/demo_art/run-demo.sh $(DEMO_BUILD) $(DEMO_OUT)

# Benchmarks with their references (a read-modify-write pass, OpenCV) and
# the ratio tables.
bench:
	@./scripts/install-deps.sh $(BENCH_PACKAGES)
	$(call configure_and_build,$(BENCH_BUILD),-DQ_VEIL_KIT_LUA=$(LUA) -DQ_VEIL_KIT_BUILD_BENCH=ON)
	$(call configure_and_build,$(BENCH_PORTABLE_BUILD),-DQ_VEIL_KIT_LUA=$(LUA) \
	  -DQ_VEIL_KIT_BUILD_BENCH=ON -DQ_VEIL_KIT_PORTABLE_ONLY=ON)
	./bench/run.sh $(BENCH_BUILD) $(BENCH_PORTABLE_BUILD)

# The differential fuzzer (libFuzzer, AddressSanitizer, UBSan) on the
# committed corpus and FUZZ_SECONDS of new inputs.
fuzz:
	@./scripts/install-deps.sh $(FUZZ_PACKAGES)
	$(call configure_and_build,$(FUZZ_BUILD),-DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ_VEIL_KIT_LUA=$(LUA) -DQ_VEIL_KIT_BUILD_FUZZ=ON)
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every folder the targets above create, whichever LUA they were run with.
clean:
	rm -rf $(sort $(BUILD) $(foreach v,$(LUA_VERSIONS),$(call plain_build,$(v)))) \
	  $(TEST_BUILD) $(SANITIZE_BUILD) $(CLANG_BUILD) $(PORTABLE_BUILD) $(WINDOWS_BUILD) $(ARM64_BUILD) \
	  $(foreach v,$(TEST_LUA_VERSIONS),$(TEST_BUILD)-lua$(v)) \
	  $(DEMO_BUILD) $(DEMO_OUT) $(BENCH_BUILD) $(BENCH_PORTABLE_BUILD) $(FUZZ_BUILD) $(LUAROCKS_BUILD) $(DIST)

help:
	@printf '%-24s %s\n' \
	  'make [LUA=5.X]' 'build the module: build/ for 5.1 and LuaJIT, build-lua5.X/ otherwise' \
	  'make install' 'install it under PREFIX (DESTDIR stages the install)' \
	  'make source-rock' 'a release as one file: $(DIST)/q_veil_kit-V-R.src.rock for luarocks install' \
	  'make demo [LUA=5.X]' 'build veil and the module for that Lua in $(DEMO_BUILD)/, run them on a sample into $(DEMO_OUT)/' \
	  'make test' 'install what is missing, build every leg, run every test' \
	  'make test-windows' 'the Windows x64 leg alone (MinGW-w64, wine), in $(WINDOWS_BUILD)/' \
	  'make test-arm64' 'the Linux arm64 leg alone (qemu), in $(ARM64_BUILD)/' \
	  'make bench [LUA=5.X]' 'benchmarks with their references, in $(BENCH_BUILD)/' \
	  'make fuzz [LUA=5.X]' 'the differential fuzzer, in $(FUZZ_BUILD)/' \
	  'make clean' 'remove every folder these targets create' \
	  '' '' 'Variables (now):' '' \
	  'LUA=$(LUA)' 'the Lua to build the module and its hosts for: $(LUA_VERSIONS) (5.1 also serves LuaJIT)' \
	  'PREFIX=$(PREFIX)' 'install prefix; /usr installs into the system Lua'"'"'s module folder' \
	  'DESTDIR=$(DESTDIR)' 'staging folder for make install' \
	  'BUILD=$(BUILD)' 'the folder make and make install use' \
	  'JOBS=$(JOBS)' 'parallel compile jobs' \
	  'TEST_BUILD=$(TEST_BUILD)' 'make test'"'"'s folders: this one, and it with -sanitize, -clang, -lua5.X, -windows, -arm64' \
	  'DEMO_BUILD=$(DEMO_BUILD)' 'make demo'"'"'s folder' \
	  'BENCH_BUILD=$(BENCH_BUILD)' 'make bench'"'"'s folder' \
	  'FUZZ_BUILD=$(FUZZ_BUILD)' 'make fuzz'"'"'s folder' \
	  'FUZZ_SECONDS=$(FUZZ_SECONDS)' 'how long make fuzz looks for new inputs' \
	  'WINE=$(WINE)' 'the wine that runs the Windows leg' \
	  'QEMU_AARCH64=$(QEMU_AARCH64)' 'the qemu that runs the arm64 leg' \
	  'DIST=$(DIST)' 'where make source-rock leaves the release files'
