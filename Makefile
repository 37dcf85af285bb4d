# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
ARGS ?= $(CURDIR)/demo

# Debian packages the build needs; MIDI files play with the General MIDI soundfont at run time too.
BUILD_DEPS := cmake g++ make pkg-config qt6-base-dev libmpv-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev \
  libfluidsynth-dev timgm6mb-soundfont
# What the end-to-end tests drive the real program with: a display, a session bus, the
# accessibility bus, a sound server with a silent output and a key sender.
TEST_DEPS := xvfb x11-utils xdotool dbus dbus-x11 at-spi2-core python3-pyatspi pulseaudio openbox playerctl orca
# What the start-up benchmark compares the program with.
BENCH_DEPS := mpv

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps test-deps bench-deps build test run bench demo clean

deps:
	@missing=$$(for p in $(BUILD_DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

test-deps:
	@missing=$$(for p in $(TEST_DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

# Without mpv the benchmark still runs and says it skipped the comparison, so a failed install is no error.
bench-deps:
	@missing=$$(for p in $(BENCH_DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; } \
	    || echo "Could not install $$missing"; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: deps test-deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@[ -d demo ] || $(BUILD)/tools/make_demo_tracks demo

run: build demo
	$(BUILD)/varnel $(ARGS)

bench: build bench-deps
	@if [ -x $(BUILD)/bench/varnel_bench ]; then $(BUILD)/bench/varnel_bench; else echo "Google Benchmark not found"; exit 1; fi

clean:
	rm -rf $(BUILD) demo
