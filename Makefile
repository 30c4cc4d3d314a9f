# The two commands: `make run` (the demo) and `make test` (every test).
# Both install what they need on a fresh Debian 12 machine (as root).
.PHONY: run test deps bench soak clean

# The demo needs kestro-wire (native) and the package (windows);
# scripts/demo.sh unzips the package into a fresh folder and runs kestro.exe
# from there on the Wine test bed.
run: deps
	@echo '== Building the native preset (kestro-wire)'
	cmake --preset native >/dev/null
	cmake --build --preset native -j2 --target kestro-wire
	@echo '== Building the windows preset and its package (kestro.exe against the stand-in engine and plug-ins)'
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j2 --target package
	scripts/demo.sh

test:
	scripts/test.sh

deps:
	scripts/deps.sh

# make bench [BENCH=native]: the native benchmarks, then (unless
# BENCH=native) kestro.exe's start-up and memory under Wine, which need the
# windows preset; BENCH_WINE_SECONDS (default 600) sets the memory run.
BENCH ?= all
bench: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j2
	if [ "$(BENCH)" != native ]; then \
	  cmake --preset windows >/dev/null && cmake --build --preset windows -j2 --target kestro; \
	fi
	BENCH=$(BENCH) scripts/bench.sh

# Long runs, not part of make test: make soak DURATION=600 [SOAK=native|wine].
DURATION ?= 600
SOAK ?= both
soak: deps
	scripts/soak.sh $(DURATION) $(SOAK)

clean:
	rm -rf build dist
