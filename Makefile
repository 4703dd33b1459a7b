# Two commands do everything on a fresh machine:
#   make demo   builds the program and runs it on the bundled example
#   make test   builds the program and the tests and runs every test
# and make bench times whole runs on generated structures of 2000 to 20000
# atoms (tools/bench.sh);
# two more check that bad input never crashes the program:
#   make check  builds everything again with AddressSanitizer and
#               UndefinedBehaviorSanitizer and runs every test under them
#   make fuzz   builds the fuzz harnesses with clang's libFuzzer and runs
#               each for FUZZ_SECONDS seconds (default 60)
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Any sanitizer report stops the program with status 86, which no test
# takes for the program's own error status 1; leaks are reports too.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=86:strict_string_checks=1 \
                UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=86

.PHONY: all build demo test check fuzz clean deps bench

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	@bash tools/install-deps.sh
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo && cp examples/* $(BUILD)/demo/
	cd $(BUILD)/demo && ../vorn
	@echo "Demo output files are in $(BUILD)/demo"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	bash tools/bench.sh $(BUILD)

check:
	@bash tools/install-deps.sh
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

fuzz:
	@bash tools/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DVORN_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash tools/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
