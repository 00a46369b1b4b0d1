# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages the build needs when they are missing.

PACKAGES := cmake make g++ clang libncurses-dev libgtest-dev \
            libbenchmark-dev libvterm-dev util-linux ncurses-base locales man-db xz-utils bash dash \
            pkg-config libsystemd-dev clang-format
# The real login programs the end-to-end tests log in with.
PACKAGES += openssh-server openssh-client inetutils-telnetd inetutils-telnet tmux iproute2 procps
# What `make deb` needs on top of PACKAGES, which hold the Build-Depends.
DEB_PACKAGES := dpkg-dev debhelper lintian devscripts
JOBS := $(shell nproc 2>/dev/null || echo 2)
# The unit test binaries (tests/<folder>_tests), which need neither a
# pseudo-terminal nor namespaces.
UNIT_TESTS := kbd core search details procs users screen platform
VERSION := $(shell sed -n 's/^project.vigil VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: run test build check-freebsd check-layers check-format check-no-logind deps fuzz bench clean install deb demo

run: build
	./build/vigil

# vigil on this machine with a few stand-in logins and their processes, in a
# private namespace that ends when vigil does.
demo: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target vigil vigil_standin
	./scripts/demo.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS)

test: build check-freebsd check-layers check-format check-no-logind
	cd build && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVIGIL_SANITIZE=ON >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)
	@# Each unit binary also whole, in a shuffled order, three times over:
	@# no test may lean on what another left behind.
	@for t in $(UNIT_TESTS); do \
	  echo "whole, shuffled, repeated: $$t"; \
	  out=$$(./build-asan/tests/$${t}_tests --gtest_shuffle --gtest_repeat=3 --gtest_brief=1 2>&1) || \
	    { echo "$$out" | tail -40; exit 1; }; \
	done

# Every source file as .clang-format lays it out (`git config
# blame.ignoreRevsFile .git-blame-ignore-revs` hides the commit that first
# applied it from git blame).
check-format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --style=file --dry-run --Werror
	@echo "format: every file as .clang-format lays it out"

# vigil as a host without libsystemd or libelogind builds it: pkg-config
# hidden from CMake, so the backend is built without logind's sessions.
check-no-logind: deps
	cmake -S . -B build-no-logind -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
	      -DVIGIL_TESTS=OFF -DVIGIL_BENCH=OFF | grep 'without systemd-logind'
	cmake --build build-no-logind -j $(JOBS) --target vigil
	@! ldd build-no-logind/vigil | grep -E 'lib(systemd|elogind)'
	@echo "no-logind: vigil builds and links without libsystemd"

# No include points up the order of the libraries (CMakeLists.txt).
check-layers:
	./scripts/check-layers.sh

# Every unit a FreeBSD build compiles, compiled for FreeBSD against the
# sysroot in ../shared/freebsd/ (unpacked into build/freebsd/ once); skipped
# where there is none.
check-freebsd: deps
	./scripts/check-freebsd.sh

# One minute each of coverage-guided fuzzing of the key decoder and of the
# cleaner of other people's text.
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVIGIL_FUZZ=ON \
	      -DVIGIL_TESTS=OFF -DVIGIL_BENCH=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target kbd_fuzz text_fuzz
	mkdir -p build-fuzz/corpus build-fuzz/text-corpus
	./build-fuzz/kbd_fuzz -max_total_time=60 -max_len=256 build-fuzz/corpus
	./build-fuzz/text_fuzz -max_total_time=60 -max_len=512 build-fuzz/text-corpus

bench: build
	for b in build/bench/*_bench; do $$b || exit 1; done

# The program and its man page under PREFIX (default /usr/local), below
# DESTDIR when one is given: `make install DESTDIR=/tmp/stage PREFIX=/usr`.
install: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target vigil
	DESTDIR="$(DESTDIR)" cmake --install build $(if $(PREFIX),--prefix "$(PREFIX)")

# The Debian package, built by dpkg-buildpackage from a copy of the tree
# without builds or git, so that it starts clean; then lintian and
# hardening-check look at it. Everything is left in build-deb/, the package
# as build-deb/vigil_$(VERSION)_<arch>.deb. The build takes its hardening
# from dpkg-buildflags, which on Debian 12 adds no control-flow protection:
# hardening-check is told not to ask for it.
deb: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(DEB_PACKAGES)"
	rm -rf build-deb
	mkdir -p build-deb/vigil-$(VERSION)
	tar -cf - --exclude-vcs --exclude=./build --exclude='./build-*' . | tar -xf - -C build-deb/vigil-$(VERSION)
	cd build-deb/vigil-$(VERSION) && dpkg-buildpackage -us -uc -b
	lintian build-deb/vigil_$(VERSION)_*.deb
	dpkg-deb -x build-deb/vigil_$(VERSION)_*.deb build-deb/unpacked
	hardening-check --nocfprotection build-deb/unpacked/usr/bin/vigil
	@echo "package: $$(ls build-deb/vigil_$(VERSION)_*.deb)"

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
	rm -rf build build-asan build-fuzz build-deb build-no-logind
