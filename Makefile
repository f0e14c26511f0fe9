# The two commands a newcomer needs: `make run` and `make test`.
RELEASE_DIR := build/release
TEST_DIR := build/test
JOBS := $(shell nproc)

.PHONY: run test bench deps release format

deps:
	@scripts/install-deps

release: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

run: release
	$(RELEASE_DIR)/lumivane

test: deps
	@cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMIVANE_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: release
	@for b in $(RELEASE_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')
