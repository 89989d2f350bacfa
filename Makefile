# Everything a fresh Debian 12 machine needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
CMAKE_GEN  := -G Ninja
# Length of each fuzz target's run in `make fuzz`, in seconds.
FUZZ_SECONDS ?= 60

.PHONY: deps build asan fuzz-build run test fuzz bench clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)

# The core and its tests once more, under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTQX_SANITIZE=ON -DTQX_GUI=OFF
	cmake --build $(ASAN_BUILD)

# The libFuzzer targets (tests/fuzz), built with clang.
fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang-14 \
		-DCMAKE_CXX_COMPILER=clang++-14 -DTQX_FUZZ=ON -DTQX_GUI=OFF
	cmake --build $(FUZZ_BUILD)

run: build
	./$(BUILD)/bin/Tinderquillex

# Tests that need a live sound server are run by tests/scripts/pulseaudio_backend.sh, which starts one.
test: build asan fuzz-build
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure --no-label-summary -j2 -L core -E 'Live'
	ctest --test-dir $(BUILD) --output-on-failure --no-label-summary -j2 -E 'Live'
	ctest --test-dir $(FUZZ_BUILD) --output-on-failure --no-label-summary -j2

# A fuzz campaign: each target for FUZZ_SECONDS, from its seeds and findings. New inputs
# gather in $(FUZZ_BUILD)/campaign, failing ones in $(FUZZ_BUILD)/crashes; minimise a failing
# one (-minimize_crash=1), fix the fault and add it to tests/fuzz/findings/TARGET.
fuzz: fuzz-build
	@for t in $(FUZZ_BUILD)/bin/fuzz_*; do \
		name=$${t##*/fuzz_}; \
		mkdir -p $(FUZZ_BUILD)/campaign/$$name $(FUZZ_BUILD)/crashes/$$name; \
		echo "== $$name, $(FUZZ_SECONDS) s"; \
		findings=tests/fuzz/findings/$$name; [ -d $$findings ] || findings=; \
		$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/crashes/$$name/ \
			$(FUZZ_BUILD)/campaign/$$name $(FUZZ_BUILD)/fuzz-corpus/$$name $$findings || exit 1; \
	done

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTQX_BENCH=ON -DTQX_GUI=OFF
	cmake --build $(BENCH_BUILD)
	@for b in $(BENCH_BUILD)/bin/*_bench; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
