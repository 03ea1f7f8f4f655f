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
# The macOS leg cross-builds and checks the bundle's tables only: this
# machine cannot run Mach-O code. Its toolchain is kept in its folder too.
MACOS_BUILD ?= $(TEST_BUILD)-macos
WINE ?= /usr/lib/wine/wine64
QEMU_AARCH64 ?= qemu-aarch64
# Where make source-rock and make dist leave the release files.
DIST ?= dist
VERSION := $(shell sed -n 's/^project.Q_Veil_Kit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The archives' entries carry the last commit's time, so that a commit
# always gives the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
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
  $(call packages,windows) $(call packages,arm64) $(call packages,macos)
WINDOWS_PACKAGES := $(call packages,build) $(call packages,windows)
ARM64_PACKAGES := $(call packages,build) $(call packages,arm64)
MACOS_PACKAGES := $(call packages,build) $(call packages,macos)
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
# The Linux x86-64 legs of each Lua: FOLDER and options.
linux_build = $(if $(filter 5.1,$(1)),$(TEST_BUILD),$(TEST_BUILD)-lua$(1))
linux_options = $(if $(filter 5.1,$(1)),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 -DQ_VEIL_KIT_BUILD_VEIL=OFF,$(LEG_OPTIONS) \
  -DQ_VEIL_KIT_LUA=$(1) $(if $(filter $(VEIL_TEST_LUA),$(1)),-DQ_VEIL_KIT_BUILD_VEIL=ON))
# The Windows legs, one a Lua: lua5.1's leg in WINDOWS_BUILD, the others
# beside it with -lua5.X; each Lua from WINDOWS_LUA (windows-lua.sh).
WINDOWS_LUA_VERSIONS := 5.1 5.4
WINDOWS_LUA := $(abspath $(WINDOWS_BUILD))/lua
WINDOWS_INTERPRETERS_5.1 := lua5.1=$(WINDOWS_LUA)/lua5.1/lua.exe;luajit=$(WINDOWS_LUA)/luajit/luajit.exe
WINDOWS_INTERPRETERS_5.4 := lua5.4=$(WINDOWS_LUA)/lua5.4/lua.exe
windows_build = $(WINDOWS_BUILD)$(if $(filter 5.1,$(1)),,-lua$(1))
windows_options = $(LEG_OPTIONS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
  -DLUA_INCLUDE_DIR='$(WINDOWS_LUA)/lua$(1)/include' -DCMAKE_CROSSCOMPILING_EMULATOR='$(WINE)' \
  -DQ_VEIL_KIT_TEST_INTERPRETERS='$(WINDOWS_INTERPRETERS_$(1))'
# LuaJIT runs without its compiler there: Debian's arm64 LuaJIT fuses a*b+c
# into one multiply-add, so the tests' Lua model of the soft blend would
# round differently from the module (whose own code has nothing fused).
# make test runs the 5.1 leg (ARM64_BUILD); make dist builds and runs the
# others too (ARM64_BUILD-lua5.X), with Debian's arm64 lua5.X.
ARM64_LUA_VERSIONS := 5.1 5.2 5.3 5.4
ARM64_SYSROOT := $(abspath $(ARM64_BUILD))/lua/sysroot
arm64_build = $(ARM64_BUILD)$(if $(filter 5.1,$(1)),,-lua$(1))
arm64_interpreters = $(if $(filter 5.1,$(1)),lua5.1=$(ARM64_SYSROOT)/usr/bin/lua5.1;luajit=$(ARM64_SYSROOT)/usr/bin/luajit -joff,lua$(1)=$(ARM64_SYSROOT)/usr/bin/lua$(1))
arm64_options = $(LEG_OPTIONS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake \
  -DQ_VEIL_KIT_SYSROOT='$(ARM64_SYSROOT)' -DLUA_INCLUDE_DIR='$(ARM64_SYSROOT)/usr/include/lua$(1)' \
  -DCMAKE_CROSSCOMPILING_EMULATOR='$(QEMU_AARCH64);-L;$(ARM64_SYSROOT)' \
  -DQ_VEIL_KIT_TEST_INTERPRETERS='$(arm64_interpreters)'
# macOS: a universal bundle for Lua 5.1 (and LuaJIT) and one for 5.4, each
# joined from an x86_64 and an arm64 build (LEG/lua5.X-ARCH/) into
# LEG/lua5.X/Q_Veil_Kit.so; the licence texts of what is linked into them
# are in LEG/licenses/.
MACOS_LUA_VERSIONS := 5.1 5.4
space := $(subst ,, )
MACOS_TOOLCHAIN := $(abspath $(MACOS_BUILD))/toolchain
macos_options = -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/macos.cmake -DQ_VEIL_KIT_WERROR=ON \
  -DQ_VEIL_KIT_MACOS_TOOLCHAIN='$(MACOS_TOOLCHAIN)' -DQ_VEIL_KIT_MACOS_ARCH=$(2) \
  -DLUA_INCLUDE_DIR='$(MACOS_TOOLCHAIN)/lua$(1)'
# make test's legs, in the order they run: FOLDER, or FOLDER:TEST-REGEX.
TEST_LEGS := $(SANITIZE_BUILD) $(foreach v,$(TEST_LUA_VERSIONS),$(TEST_BUILD)-lua$(v)) \
  $(CLANG_BUILD):^(lua_suite_lua5\.1|fork_host|thread_start_host)$$ $(PORTABLE_BUILD):^lua_suite_lua5\.1$$ \
  $(foreach v,$(WINDOWS_LUA_VERSIONS),$(call windows_build,$(v))) $(ARM64_BUILD) $(MACOS_BUILD) \
  $(TEST_BUILD)

# Recipe lines, each block ending in an empty line so that $(foreach)
# strings blocks together line by line.
# configure_and_build FOLDER, CMAKE_OPTIONS[, TARGETS]
define configure_and_build
	$(CMAKE) -S . -B '$(1)' $(2)
	$(CMAKE) --build '$(1)' -j $(JOBS)$(if $(3), --target $(3))

endef

# windows_legs and arm64_legs: the Lua they run with, then the builds of
# the Lua versions given[, only TARGETS].
define windows_legs
	./scripts/cross/windows-lua.sh '$(WINDOWS_LUA)'
$(foreach v,$(1),$(call configure_and_build,$(call windows_build,$(v)),$(call windows_options,$(v)),$(2)))
endef
define arm64_legs
	./scripts/cross/arm64-sysroot.sh '$(abspath $(ARM64_BUILD))/lua'
$(foreach v,$(1),$(call configure_and_build,$(call arm64_build,$(v)),$(call arm64_options,$(v)),$(2)))
endef
# macos_leg: its toolchain, the four builds, then the checks' project in the
# leg's folder, which joins them.
define macos_leg
	./scripts/cross/macos-toolchain.sh '$(MACOS_TOOLCHAIN)' '$(MACOS_BUILD)/licenses'
$(foreach v,$(MACOS_LUA_VERSIONS),$(foreach a,x86_64 arm64,$(call \
  configure_and_build,$(MACOS_BUILD)/lua$(v)-$(a),$(call macos_options,$(v),$(a)))))
	$(CMAKE) -S tests/macos -B '$(MACOS_BUILD)' -DQ_VEIL_KIT_MACOS_LUA='$(subst $(space),;,$(MACOS_LUA_VERSIONS))'
	$(CMAKE) --build '$(MACOS_BUILD)'

endef

.PHONY: all build install source-rock dist test test-windows test-arm64 test-macos demo bench fuzz clean help

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
	$(call configure_and_build,$(TEST_BUILD),$(call linux_options,5.1))
	$(call configure_and_build,$(SANITIZE_BUILD),$(TEST_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_BUILD_VEIL=ON -DQ_VEIL_KIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
	$(foreach v,$(TEST_LUA_VERSIONS),$(call configure_and_build,$(call linux_build,$(v)),$(call linux_options,$(v))))
	$(call configure_and_build,$(CLANG_BUILD),$(LEG_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DCMAKE_CXX_COMPILER=clang++)
	$(call configure_and_build,$(PORTABLE_BUILD),$(LEG_OPTIONS) -DQ_VEIL_KIT_LUA=5.1 \
	  -DQ_VEIL_KIT_PORTABLE_ONLY=ON)
	$(call windows_legs,$(WINDOWS_LUA_VERSIONS))
	$(call arm64_legs,5.1)
	$(macos_leg)
	./scripts/run-test-legs.sh $(foreach leg,$(TEST_LEGS),'$(leg)')

# The module built for Windows x64 with MinGW-w64 for Lua 5.1 and 5.4, its
# DLLs' tables, and the Lua suite under wine with lua.exe, luajit.exe and
# Lua 5.4's lua.exe built from Debian's sources. Runs alone; make test runs
# it too.
test-windows:
	@./scripts/install-deps.sh $(WINDOWS_PACKAGES)
	$(call windows_legs,$(WINDOWS_LUA_VERSIONS))
	./scripts/run-test-legs.sh $(foreach v,$(WINDOWS_LUA_VERSIONS),'$(call windows_build,$(v))')

# The module built for Linux arm64 and the Lua suite under qemu with
# Debian's arm64 lua5.1 and luajit. Runs alone; make test runs it too.
test-arm64:
	@./scripts/install-deps.sh $(ARM64_PACKAGES)
	$(call arm64_legs,5.1)
	./scripts/run-test-legs.sh '$(ARM64_BUILD)'

# The module built for macOS (x86_64 and arm64, Lua 5.1 and 5.4) and its
# Mach-O tables checked; nothing runs it (no Mach-O code runs here). Runs
# alone; make test runs it too.
test-macos:
	@./scripts/install-deps.sh $(MACOS_PACKAGES)
	$(macos_leg)
	./scripts/run-test-legs.sh '$(MACOS_BUILD)'

# Ready binaries: DIST/q_veil_kit-VERSION-PLATFORM archives and SHA256SUMS.
# Each module file is the one a test leg builds (only the module and testbuf
# are built here; make test builds the rest of the same folders); each
# archive is unpacked again and the Lua suite run on the unpacked files.
# The macOS files are built and checked as make test-macos does (nothing
# can run them here).
DIST_TARGETS := Q_Veil_Kit testbuf
dist:
	@./scripts/install-deps.sh $(TEST_PACKAGES) $(call packages,dist)
	$(foreach v,5.1 $(TEST_LUA_VERSIONS),$(call configure_and_build,$(call linux_build,$(v)),$(call linux_options,$(v)),$(DIST_TARGETS)))
	$(call windows_legs,$(WINDOWS_LUA_VERSIONS),$(DIST_TARGETS))
	$(call arm64_legs,$(ARM64_LUA_VERSIONS),$(DIST_TARGETS))
	$(macos_leg)
	./scripts/run-test-legs.sh '$(MACOS_BUILD)'
	SOURCE_DATE_EPOCH='$(SOURCE_DATE_EPOCH)' ./scripts/dist/make-dist.sh '$(DIST)' '$(VERSION)' \
	  $(foreach v,5.1 $(TEST_LUA_VERSIONS),'linux-x86_64/lua$(v)=$(call linux_build,$(v))') \
	  $(foreach v,$(WINDOWS_LUA_VERSIONS),'windows-x64/lua$(v)=$(call windows_build,$(v))') \
	  $(foreach v,$(ARM64_LUA_VERSIONS),'linux-arm64/lua$(v)=$(call arm64_build,$(v))') \
	  'macos/lua5.1=$(MACOS_BUILD)/lua5.1' 'macos/lua5.4=$(MACOS_BUILD)/lua5.4' \
	  'macos/licenses=$(MACOS_BUILD)/licenses'

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
	  $(TEST_BUILD) $(SANITIZE_BUILD) $(CLANG_BUILD) $(PORTABLE_BUILD) \
	  $(foreach v,$(WINDOWS_LUA_VERSIONS),$(call windows_build,$(v))) \
	  $(foreach v,$(ARM64_LUA_VERSIONS),$(call arm64_build,$(v))) \
	  $(MACOS_BUILD) $(foreach v,$(TEST_LUA_VERSIONS),$(TEST_BUILD)-lua$(v)) \
	  $(DEMO_BUILD) $(DEMO_OUT) $(BENCH_BUILD) $(BENCH_PORTABLE_BUILD) $(FUZZ_BUILD) $(LUAROCKS_BUILD) $(DIST)

help:
	@printf '%-24s %s\n' \
	  'make [LUA=5.X]' 'build the module: build/ for 5.1 and LuaJIT, build-lua5.X/ otherwise' \
	  'make install' 'install it under PREFIX (DESTDIR stages the install)' \
	  'make source-rock' 'a release as one file: $(DIST)/q_veil_kit-V-R.src.rock for luarocks install' \
	  'make dist' 'ready binaries: $(DIST)/q_veil_kit-$(VERSION)-PLATFORM archives (Windows, Linux, macOS), SHA256SUMS' \
	  'make demo [LUA=5.X]' 'build veil and the module for that Lua in $(DEMO_BUILD)/, run them on a sample into $(DEMO_OUT)/' \
	  'make test' 'install what is missing, build every leg, run every test' \
	  'make test-windows' 'the Windows x64 legs alone (MinGW-w64, wine), in $(WINDOWS_BUILD)/ and -lua5.4/' \
	  'make test-arm64' 'the Linux arm64 leg alone (qemu), in $(ARM64_BUILD)/' \
	  'make test-macos' 'the macOS leg alone, in $(MACOS_BUILD)/: built and link-checked, never run' \
	  'make bench [LUA=5.X]' 'benchmarks with their references, in $(BENCH_BUILD)/' \
	  'make fuzz [LUA=5.X]' 'the differential fuzzer, in $(FUZZ_BUILD)/' \
	  'make clean' 'remove every folder these targets create' \
	  '' '' 'Variables (now):' '' \
	  'LUA=$(LUA)' 'the Lua to build the module and its hosts for: $(LUA_VERSIONS) (5.1 also serves LuaJIT)' \
	  'PREFIX=$(PREFIX)' 'install prefix; /usr installs into the system Lua'"'"'s module folder' \
	  'DESTDIR=$(DESTDIR)' 'staging folder for make install' \
	  'BUILD=$(BUILD)' 'the folder make and make install use' \
	  'JOBS=$(JOBS)' 'parallel compile jobs' \
	  'TEST_BUILD=$(TEST_BUILD)' 'make test'"'"'s folders: this one, and it with -sanitize, -clang, -lua5.X, -windows, -arm64, -macos' \
	  'DEMO_BUILD=$(DEMO_BUILD)' 'make demo'"'"'s folder' \
	  'BENCH_BUILD=$(BENCH_BUILD)' 'make bench'"'"'s folder' \
	  'FUZZ_BUILD=$(FUZZ_BUILD)' 'make fuzz'"'"'s folder' \
	  'FUZZ_SECONDS=$(FUZZ_SECONDS)' 'how long make fuzz looks for new inputs' \
	  'WINE=$(WINE)' 'the wine that runs the Windows leg' \
	  'QEMU_AARCH64=$(QEMU_AARCH64)' 'the qemu that runs the arm64 leg' \
	  'DIST=$(DIST)' 'where make source-rock and make dist leave the release files' \
	  'MACOS_BUILD=$(MACOS_BUILD)' 'where make dist takes the macOS files from (make test-macos makes them)'
