# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake in build/.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
# The project's own builds fail on any warning; plain CMake builds do not.
OWN_FLAGS  := -DBCX_WARNINGS_AS_ERRORS=ON

.PHONY: deps configure build demo test test-fast test-sanitize test-threads bench format clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null

build: configure
	@MAKEFLAGS=--no-print-directory cmake --build $(BUILD) -j $(JOBS)

# The demo needs the tool alone, not the test suite.
demo: configure
	@MAKEFLAGS=--no-print-directory cmake --build $(BUILD) -j $(JOBS) --target bcxscan
	@scripts/demo $(BUILD)

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DBCX_SANITIZE=ON $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The readers on many threads, under ThreadSanitizer: only that test.
test-threads: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBCX_SANITIZE_THREADS=ON $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(TSAN_BUILD) -j $(JOBS) --target bcx_reader_thread_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -R '^ReaderThreads[.]'

test: test-fast test-sanitize test-threads

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBCX_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target bcx_bench
	$(BUILD)/bench/bcx_bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
