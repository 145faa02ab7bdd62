# The two commands of the README, and the rest.
#   make run     build and start Tallo
#   make test    install what is missing, build the test configuration, run every test
#   make bench   build the release configuration and run the benchmarks
#   make fuzz    build the fuzz targets with clang and run each for FUZZ_SECONDS
#   make pictures   render the built-in pictures from their table again
#   make baselines  make the visual check's screenshots its new baselines

FUZZ_SECONDS ?= 60
ARGS ?=

.PHONY: run test bench fuzz bootstrap clean pictures baselines

bootstrap:
	@bash scripts/bootstrap.sh

run: bootstrap
	cmake --preset release >/dev/null
	cmake --build --preset release --target tallo
	./build/release/tallo $(ARGS)

test: bootstrap
	cmake --preset test
	cmake --build --preset test
	ctest --preset test

bench: bootstrap
	cmake --preset release >/dev/null
	cmake --build --preset release
	@set -e; for b in build/release/bench/*Bench; do echo "== $$b"; $$b --benchmark_counters_tabular=true; done

fuzz: bootstrap
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	@set -e; for f in build/fuzz/tests/fuzz/*Fuzz; do \
	  name=$$(basename $$f); mkdir -p tests/fuzz/corpus/$$name; \
	  echo "== $$name"; $$f -max_total_time=$(FUZZ_SECONDS) tests/fuzz/corpus/$$name; done

pictures: bootstrap
	python3 scripts/make-pictures.py

baselines: bootstrap
	cmake --preset test >/dev/null
	cmake --build --preset test --target tallo
	TALLO_UPDATE_BASELINES=1 ctest --preset test -R '^e2e\.VisualCheck$$'

clean:
	rm -rf build
