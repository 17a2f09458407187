# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake in build/.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
RELEASE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
# The project's own builds fail on any warning; plain CMake builds do not.
OWN_FLAGS  := -DBCX_WARNINGS_AS_ERRORS=ON

.PHONY: deps configure build demo test test-fast test-sanitize test-threads build-release fuzz bench bench-compare format clean

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

# The build packagers make (Release, -O3), with the benchmarks, so that
# neither stops compiling unnoticed.
build-release: deps
	@cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DBCX_BUILD_TESTS=OFF -DBCX_BUILD_BENCH=ON $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(RELEASE_BUILD) -j $(JOBS)

test: test-fast test-sanitize test-threads build-release

# The libFuzzer targets, built by clang with ASan and UBSan over a project
# instrumented for coverage, each run for FUZZ_SECONDS from its seeds and
# crashers; fails on any crash, leak, timeout or excess of memory.
FUZZ_TARGETS := bcx_fuzz_exports bcx_fuzz_bitmap bcx_fuzz_decoders bcx_fuzz_reader
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
	  -DBCX_SANITIZE=ON -DBCX_BUILD_FUZZERS=ON $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBCX_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target bcx_bench
	$(BUILD)/bench/bcx_bench

# Exact and thorough readers against ZXing-C++ on the same grey pixels, in
# one process (scripts/install-peers brings ZXing-C++; bench only).
COMPARE_FLAGS ?=
bench-compare: deps
	@scripts/install-peers
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBCX_BUILD_PEERS=ON $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(BUILD) -j $(JOBS) --target bcx_compare
	$(BUILD)/tests/endtoend/peers/bcx_compare $(COMPARE_FLAGS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD) $(FUZZ_BUILD)
