# The two commands: `make run` (the demo) and `make test` (every test).
# Both install what they need on a fresh Debian 12 machine (as root).
.PHONY: run test deps bench clean

run: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j
	scripts/demo.sh

test:
	scripts/test.sh

deps:
	scripts/deps.sh

bench: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j
	scripts/bench.sh

clean:
	rm -rf build dist
