# Velmo: `make run` builds and starts the application, `make test` builds and runs
# every test. Both install missing Debian packages first.
BUILD       ?= build
ASAN_BUILD  ?= build-asan
TSAN_BUILD  ?= build-tsan
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

PREFIX      ?= /usr/local

.PHONY: install deb
.PHONY: all deps configure build run test test-asan test-tsan fuzz bench format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/velmo

# Programs, data, guide, desktop entry, icon and file types under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package velmo_<version>_<arch>.deb in this folder (scripts/make-deb).
deb: build
	scripts/make-deb $(BUILD) .

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The sanitizer build keeps assertions (Debug) but optimises lightly and keeps only
# line tables: -O0 with full debug information doubles both the build and the test
# time on the two-core CI machine, and line tables are all a sanitizer report needs.
SANITIZER_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DVELMO_SANITIZE=ON -DVELMO_BENCH=OFF $(SANITIZER_FLAGS) $(CCACHE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Our threads under ThreadSanitizer: the image-load thread and the packs (the
# interleaving test runs for STRESS_SECONDS), then the PDF writer, whose page contents
# are compressed on a second thread while the next page is drawn.
# The PDF runs ignore what Qt's uninstrumented libraries do themselves
# (ignore_noninstrumented_modules): the raster engine fills and converts large images
# on Qt's own pool threads, synchronised inside Qt where the sanitizer cannot see it,
# so every such fill would be reported. Our code stays instrumented: with the lock
# taken out of the writer's hand-over, this run reports the race. die_after_fork=0
# lets the tests start pdftoppm and friends after threads exist.
STRESS_SECONDS ?= 5
CCACHE_FLAGS = $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
TSAN_BASE = halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DVELMO_TSAN=ON -DVELMO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CCACHE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_imaging test_print
	TSAN_OPTIONS="$(TSAN_BASE)" VELMO_STRESS_SECONDS=$(STRESS_SECONDS) \
	    QT_QPA_PLATFORM=offscreen $(TSAN_BUILD)/tests/test_imaging --gtest_filter='ImageLoadThread*:ImagePack*'
	TSAN_OPTIONS="$(TSAN_BASE) ignore_noninstrumented_modules=1 die_after_fork=0" \
	    VELMO_SOURCE_DIR=$(CURDIR) VELMO_BINARY_DIR=$(abspath $(TSAN_BUILD)) QT_QPA_PLATFORM=offscreen \
	    $(TSAN_BUILD)/tests/test_print --gtest_filter='PdfEngine*:PdfPrint*:PdfWriteFault*'

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS seconds.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DVELMO_FUZZ=ON -DVELMO_BENCH=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
