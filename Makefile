# make demo   builds (Release) and runs the built-in sample.
# make test   builds with AddressSanitizer and UBSan and runs every test.
# make bench  builds (Release) and runs the benchmarks.
# make mutate plants each mistake of tests/mutation/mutations.txt in the
#             library in turn and lists those the tests miss.
# make format rewrites our C++ sources in the house format; make format-check
#             fails on any file that is not in it.
# Each first installs the Debian packages it lacks (as root).

PACKAGES := cmake make g++ libgoogle-glog-dev nlohmann-json3-dev libgtest-dev \
            libgmock-dev libbenchmark-dev libcli11-dev librapidcheck-dev \
            clang-format
JOBS ?= $(shell nproc)
RELEASE := build/release
ASAN := build/asan

.PHONY: deps demo test bench release clean format format-check mutate

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

release: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DMARROW_BUILD_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

demo: release
	$(RELEASE)/cli/marrow-qrv demo

test: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DMARROW_SANITIZE=ON -DMARROW_BUILD_BENCH=OFF
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

clean:
	rm -rf build
