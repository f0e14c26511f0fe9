# The commands a newcomer needs; `make` alone lists them.
RELEASE_DIR := build/release
TEST_DIR := build/test
CLANG_DIR := build/clang
JOBS := $(shell nproc)

.PHONY: help run test test-clang bench deb deps test-deps clang-deps format-deps deb-deps release format
.DEFAULT_GOAL := help

help:
	@echo "make run     build Lumivane and start it"
	@echo "make test    build and run every test headless"
	@echo "make test-clang  the same built with clang, but for the real-driver tests"
	@echo "make bench   build and run the benchmarks"
	@echo "make format  format the C++ sources"
	@echo "make deb     build the Debian package of Lumivane"
	@echo "Each installs the Debian packages it lacks first (scripts/install-deps)."

deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps test

clang-deps:
	@scripts/install-deps test clang

format-deps:
	@scripts/install-deps format

deb-deps:
	@scripts/install-deps deb

# Quiet unless it fails: the build's pages of output are kept in a log.
release: deps
	@mkdir -p $(RELEASE_DIR)
	@{ cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_TESTS=OFF && \
	   cmake --build $(RELEASE_DIR) -j $(JOBS); } >$(RELEASE_DIR)/build.log 2>&1 || \
	 { cat $(RELEASE_DIR)/build.log; exit 1; }

run: release
	@echo "Lumivane: run from its build folder, it saves snaps in $(abspath $(RELEASE_DIR)) once you choose a save method (installed, in the Lumivane folder of your pictures folder); Set Path/File/Type changes that."
	@$(RELEASE_DIR)/lumivane

# The release build as a Debian package, made beside it.
deb: deb-deps release
	@cd $(RELEASE_DIR) && { cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }; } && \
	 sed -n 's/^CPack: - package: \(.*\) generated\.$$/Lumivane: \1/p' cpack.log

# The Qt headers are parsed once a library rather than once a source, which
# takes a third off the build on a fresh machine; `make test-clang` parses
# them for each source, so a source that lacks an include fails there.
test: test-deps
	@cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMIVANE_SANITIZE=ON \
	   -DLUMIVANE_BENCHMARKS=OFF -DLUMIVANE_PRECOMPILED_HEADERS=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && rm -f vivid-vm/not-run && \
	 { QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS); status=$$?; \
	   if [ -f vivid-vm/not-run ]; then \
	     echo "NOTE: the real-driver tests (real_driver_vivid) did not run: $$(cat vivid-vm/not-run)"; fi; \
	   exit $$status; }

# The same tests built with clang, which rejects what only GCC allows, with
# the benchmarks, which `make test` leaves out to keep its time short. The
# real-driver tests and the package's check are left to `make test`: they
# try the driver and the packaging, not the compiler.
test-clang: clang-deps
	@cmake -S . -B $(CLANG_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	   -DLUMIVANE_SANITIZE=ON -DLUMIVANE_PRECOMPILED_HEADERS=OFF >/dev/null
	@cmake --build $(CLANG_DIR) -j $(JOBS)
	@cd $(CLANG_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) \
	   -E '^(real_driver_vivid|debian_package)$$'

bench: release test-deps
	@for b in $(RELEASE_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format: format-deps
	@clang-format -i $$(git ls-files '*.cpp' '*.h')
