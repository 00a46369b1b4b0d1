# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages the build needs when they are missing.

PACKAGES := cmake make g++ clang libncurses-dev libgtest-dev \
            libbenchmark-dev libvterm-dev util-linux ncurses-base bash dash
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build deps fuzz bench clean

run: build
	./build/vigil

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS)

test: build
	cd build && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVIGIL_SANITIZE=ON >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# One minute of coverage-guided fuzzing of the key decoder.
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVIGIL_FUZZ=ON \
	      -DVIGIL_TESTS=OFF -DVIGIL_BENCH=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target kbd_fuzz
	mkdir -p build-fuzz/corpus
	./build-fuzz/kbd_fuzz -max_total_time=60 -max_len=256 build-fuzz/corpus

bench: build
	for b in build/bench/*_bench; do $$b || exit 1; done

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	  else \
	    echo "vigil needs these Debian packages; run as root:"; \
	    echo "  apt-get install $$missing"; exit 1; \
	  fi; \
	fi

clean:
	rm -rf build build-asan build-fuzz
