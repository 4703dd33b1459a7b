# Two commands do everything on a fresh machine:
#   make demo   builds the program and runs it on the bundled example
#   make test   builds the program and the tests and runs every test
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build demo test check clean deps

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

clean:
	rm -rf $(BUILD)
