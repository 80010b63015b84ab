# make demo   builds (Release) and runs the built-in sample.
# make test   builds with AddressSanitizer and UBSan and runs every test.
# make bench  builds (Release) and runs the benchmarks.
# make mutate plants each mistake of tests/mutation/mutations.txt in the
#             library in turn and lists those the tests miss.
# make format rewrites our C++ sources in the house format; make format-check
#             fails on any file that is not in it.
# make fuzz   builds the libFuzzer targets (clang 14) and runs each for
#             FUZZ_SECONDS (default 60); make fuzz-smoke runs each briefly
#             (FUZZ_SMOKE_SECONDS, default 10), as CI does. docs/fuzzing.md.
# Each first installs the Debian packages it lacks (as root); make test and
# make fuzz-smoke share one clang tree, build/asan.

PACKAGES := cmake make g++ libgoogle-glog-dev nlohmann-json3-dev libgtest-dev \
            libgmock-dev libbenchmark-dev libcli11-dev librapidcheck-dev \
            libsimdjson-dev clang-format
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev
JOBS ?= $(shell nproc)
RELEASE := build/release
ASAN := build/asan
FUZZ_BUILD := build/fuzz
FUZZ_TARGETS ?= document_load ops_undo cost_account_json
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 10
# Passed to every libFuzzer run, e.g. FUZZ_ARGS="-fork=2 -runs=10000000".
FUZZ_ARGS ?=

.PHONY: deps fuzz-deps configure-test demo test bench release clean format format-check mutate fuzz-build \
        fuzz fuzz-smoke

# Installs the packages of $(1) that are missing.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

fuzz-deps: deps
	$(call install_missing,$(FUZZ_PACKAGES))

release: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DMARROW_BUILD_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

demo: release
	$(RELEASE)/cli/marrow-qrv demo

# The test tree: clang 14 with ASan and UBSan, line tables only (all a
# sanitizer's report needs), everything also instrumented for libFuzzer so
# that the fuzz targets' smoke run builds no tree of its own. clang compiles
# it in about half the CPU time g++ takes, which is most of a CI run.
configure-test: fuzz-deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -DMARROW_SANITIZE=ON -DMARROW_BUILD_FUZZ=ON \
	  -DMARROW_BUILD_BENCH=OFF
test: configure-test
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: release
	$(RELEASE)/bench/marrow_bench --benchmark_counters_tabular=true

mutate: deps
	python3 tests/mutation/mutate.py --build build/mutate

# Every tracked or new C++ file of ours; build trees are not ours to format.
SOURCES = $(shell git ls-files --cached --others --exclude-standard -- '*.cc' '*.h' 2>/dev/null)

format: deps
	@clang-format -i $(SOURCES)

format-check: deps
	@clang-format --dry-run --Werror $(SOURCES) && echo "format: all $(words $(SOURCES)) files in the house format"

# Its own clang tree: the library, the host and the CLI code instrumented
# for libFuzzer, with ASan and UBSan; only the fuzz targets asked for.
fuzz-build: fuzz-deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DMARROW_BUILD_FUZZ=ON \
	  -DMARROW_BUILD_TESTS=OFF -DMARROW_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  fuzz/run.sh $(FUZZ_BUILD) $$t $(FUZZ_SECONDS) $(FUZZ_ARGS) || exit 1; \
	done

# In the test tree (-O0: slower runs, no second build). Fixed seed, so that
# a smoke run on the same code explores the same inputs.
fuzz-smoke: configure-test
	cmake --build $(ASAN) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  fuzz/run.sh $(ASAN) $$t $(FUZZ_SMOKE_SECONDS) -seed=1 $(FUZZ_ARGS) || exit 1; \
	done

clean:
	rm -rf build
