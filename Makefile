# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake in build/.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
RELEASE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
CLANG_BUILD ?= build-clang
WIN32_BUILD ?= build-win32
WIN64_BUILD ?= build-win64
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
# The project's own builds fail on any warning; plain CMake builds do not.
OWN_FLAGS  := -DBCX_WARNINGS_AS_ERRORS=ON

.PHONY: deps configure build demo test test-fast test-clang test-sanitize test-threads build-release windows test-windows fuzz bench bench-compare docs format clean

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

# The whole suite built by clang as well, so that neither the code nor the
# tests lean on what one compiler happens to do. Not part of `test`, whose
# time in CI it would double.
test-clang: deps
	@cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 $(OWN_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@MAKEFLAGS=--no-print-directory cmake --build $(CLANG_BUILD) -j $(JOBS)
	ctest --test-dir $(CLANG_BUILD) --output-on-failure -j $(JOBS)

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

# The Windows drop-in, cross-built by mingw-w64: Bcxdec.dll and Rastra.dll
# side by side in $(WIN32_BUILD) (i686) and $(WIN64_BUILD) (x86_64), with
# the host program that checks them.
MINGW_CXX := i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32
windows: deps
	@if ! command -v $(firstword $(MINGW_CXX)) >/dev/null || ! command -v $(lastword $(MINGW_CXX)) >/dev/null; then \
	  echo "windows: skipped, mingw-w64 is not installed (scripts/install-deps installs it)"; \
	else \
	  cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release $(OWN_FLAGS) >/dev/null && \
	  MAKEFLAGS=--no-print-directory cmake --build $(WIN32_BUILD) -j $(JOBS) && \
	  cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release $(OWN_FLAGS) >/dev/null && \
	  MAKEFLAGS=--no-print-directory cmake --build $(WIN64_BUILD) -j $(JOBS); \
	fi

# Both DLLs' export and import tables (and the i686 stdcall decorations);
# wine64 runs only x64 code here, so the x64 pair alone runs, under wine64,
# against the native build's results; the README's C# class compiles.
test-windows: windows configure
	@if [ ! -f $(WIN64_BUILD)/Bcxdec.dll ] || [ ! -f $(WIN32_BUILD)/Bcxdec.dll ]; then \
	  echo "test-windows: skipped, no DLLs were built"; \
	else \
	  MAKEFLAGS=--no-print-directory cmake --build $(BUILD) -j $(JOBS) --target bcx_dll_host && \
	  tests/windows/check-dlls.sh $(WIN32_BUILD) i686 && \
	  tests/windows/check-dlls.sh $(WIN64_BUILD) x86_64 && \
	  tests/windows/run-under-wine.sh $(BUILD)/tests/windows/bcx_dll_host $(WIN64_BUILD) samples && \
	  tests/windows/compile-readme-csharp.sh README.md $(WIN64_BUILD)/csharp; \
	fi

test: test-fast test-sanitize test-threads build-release test-windows

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

# The figure of docs/design.md, from its Graphviz source; kept in the tree,
# so reading the design needs no Graphviz.
docs: deps
	dot -Tsvg docs/pipelines.dot -o docs/pipelines.svg

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(CLANG_BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD) $(FUZZ_BUILD) $(WIN32_BUILD) $(WIN64_BUILD)
