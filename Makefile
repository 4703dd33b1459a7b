# Two commands do everything on a fresh machine:
#   make demo   builds the program alone and runs it on the bundled example
#   make install PREFIX=dir  puts vorn in dir/bin (default /usr/local)
#   make test   builds the program and the tests and runs every test,
#               the whole-output references of tests/reference included
# and more for developers:
#   make references  rewrites the whole-output references from the current
#                    program (say in the commit which lines changed and why)
#   make slowtest    the exhaustive forms of the longest tests
#   make bench       times whole runs on generated structures of 2000 to
#                    100000 atoms and the form-factor table (tools/bench.sh,
#                    needs python3)
#   make check       builds everything again with AddressSanitizer and
#                    UndefinedBehaviorSanitizer and runs every test under them
#                    (it installs Chromium, in which a test renders vorn.svg)
#   make fuzz        builds the fuzz harnesses with clang's libFuzzer and runs
#                    each for FUZZ_SECONDS seconds (default 60)
# WERROR=ON makes every compiler warning an error (CI sets it); the build
# directory keeps the setting until WERROR=OFF.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
WERROR ?=
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Any sanitizer report stops the program with status 86, which no test
# takes for the program's own error status 1; leaks are reports too.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=86:strict_string_checks=1 \
                UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=86

.PHONY: all build program demo install test slowtest references check fuzz fuzz-build clean deps bench configure

all: build

deps:
	@bash tools/install-deps.sh

# Configured every time (cheap once the cache exists) so that WERROR takes effect.
configure:
	@bash tools/install-deps.sh
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(if $(WERROR),-DVORN_WERROR=$(WERROR)) > /dev/null

# The program alone.
program: configure
	cmake --build $(BUILD) -j $(JOBS) --target vorn

# The program and every test binary.
build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Puts vorn in $(PREFIX)/bin (make install PREFIX=~/.local for ~/.local/bin).
install: program
	cmake --install $(BUILD) --prefix $(PREFIX)

demo: program
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo && cp examples/* $(BUILD)/demo/
	cd $(BUILD)/demo && ../vorn
	@echo "Demo output files are in $(BUILD)/demo"

test: build
	@bash tools/install-deps.sh test
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

slowtest: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L slow

references: build
	VORN_WRITE_REFERENCES=1 $(BUILD)/tests/test_e2e --gtest_filter='Runs/ReferenceOutputs.*'
	@git status --short tests/reference 2>/dev/null || true

bench: program
	cmake --build $(BUILD) -j $(JOBS) --target formfactor_bench
	bash tools/bench.sh $(BUILD)

check:
	@bash tools/install-deps.sh browser
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=ON $(if $(WERROR),-DVORN_WERROR=$(WERROR))
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -LE slow

fuzz-build:
	@bash tools/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DVORN_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	bash tools/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
