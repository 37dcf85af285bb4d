# The two set-up commands: `make run` and `make test`. Both install what is missing first.
# `make deb` builds the Debian package in its own Release tree.
BUILD ?= build
DEB_BUILD ?= build-deb
JOBS ?= $(shell nproc)
ARGS ?= $(CURDIR)/demo

# Debian packages the build needs; MIDI files play with the General MIDI soundfont at run time too.
BUILD_DEPS := cmake g++ make pkg-config qt6-base-dev libmpv-dev libavformat-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev \
  libfluidsynth-dev libxml2-dev timgm6mb-soundfont
# What the end-to-end tests drive the real program with: a display, a session bus, the
# accessibility bus, a sound server with a silent output and a key sender.
TEST_DEPS := xvfb x11-utils xdotool dbus dbus-x11 at-spi2-core python3-pyatspi pulseaudio openbox playerctl orca \
  desktop-file-utils appstream man-db groff-base shared-mime-info
# What the package needs: dpkg-shlibdeps and `file` for its Depends, lintian and the desktop's
# validators to check it.
PKG_DEPS := dpkg-dev file lintian desktop-file-utils appstream man-db groff-base shared-mime-info
# What the start-up benchmark compares the program with, the recorder of the gap benchmark and the
# watcher of the sound server's streams, and the encoder of the MP3 both players start with.
BENCH_DEPS := mpv pulseaudio-utils ffmpeg

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps test-deps bench-deps pkg-deps format-deps build test run bench demo deb format format-check clean

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

format-deps:
	@dpkg-query -W -f='$${Status}\n' clang-format 2>/dev/null | grep -q 'install ok installed' || \
	  { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends clang-format; }

pkg-deps:
	@missing=$$(for p in $(PKG_DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: deps test-deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@# Written again when a track is missing, so a demo folder of an older build gains the MIDI one.
	@[ -f "demo/04 Arpeggio.mid" ] || $(BUILD)/tools/make_demo_tracks demo
	@# A short talking book to try the book keys on, listed as one track by its title.
	@[ -f "demo/05 Libro/ncc.html" ] || $(BUILD)/tools/make_talking_book --stretch 5 "demo/05 Libro"

run: build demo
	$(BUILD)/varnel $(ARGS)

# The real program beside the mpv command line runs in the end-to-end tests' throw-away session, which
# has the display, the accessibility bus and the sound server whose streams both are timed by.
bench: build bench-deps test-deps
	@if [ -x $(BUILD)/bench/varnel_bench ]; then $(BUILD)/bench/varnel_bench; else echo "Google Benchmark not found"; exit 1; fi
	@tests/e2e/run_session.sh /usr/bin/python3 bench/startup_vs_mpv.py $(BUILD)/varnel 3 \
		$(BUILD)/bench/varnel_floor_mpv $(BUILD)/bench/varnel_floor_mpv_qt $(BUILD)/bench/varnel_floor_ordered || [ $$? -eq 77 ]

# Only the program and the files it installs are built; the package gets Debian's hardening flags,
# a stripped binary and Depends from the libraries it links. lintian fails it on any error.
deb: deps pkg-deps
	DEB_BUILD_MAINT_OPTIONS=hardening=+all; export DEB_BUILD_MAINT_OPTIONS; \
	cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(DEB_BUILD) -j $(JOBS) --target varnel varnel_package_files
	rm -f $(DEB_BUILD)/varnel_*.deb
	cd $(DEB_BUILD) && cpack
	python3 tests/package/check_package.py --source . --deb $(DEB_BUILD)/varnel_*.deb
	lintian --fail-on error $(DEB_BUILD)/varnel_*.deb
	@echo "Built $$(ls $(DEB_BUILD)/varnel_*.deb); install it with: sudo apt install ./$$(ls $(DEB_BUILD)/varnel_*.deb)"

# The whole tree follows .clang-format; CI fails on the first file that does not.
format: format-deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

format-check: format-deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(DEB_BUILD) demo
