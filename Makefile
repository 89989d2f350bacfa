# Everything a fresh Debian 12 machine needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
CMAKE_GEN  := -G Ninja

.PHONY: deps build asan run test bench clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)

# The core and its tests once more, under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTQX_SANITIZE=ON -DTQX_GUI=OFF
	cmake --build $(ASAN_BUILD)

run: build
	./$(BUILD)/bin/Tinderquillex

# Tests that need a live sound server are run by tests/scripts/pulseaudio_backend.sh, which starts one.
test: build asan
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure --no-label-summary -j2 -L core -E 'Live'
	ctest --test-dir $(BUILD) --output-on-failure --no-label-summary -j2 -E 'Live'

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTQX_BENCH=ON -DTQX_GUI=OFF
	cmake --build $(BENCH_BUILD)
	@for b in $(BENCH_BUILD)/bin/*_bench; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
