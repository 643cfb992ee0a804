#!/usr/bin/env bash
# Times what a user sees of Pictarra next to feh and nsxiv, each on a private X server (Xvfb
# with openbox): start to first picture at 1920 x 1080 (a 6000 x 4000 photo and a 640 x 480
# picture) and at 3840 x 2160 (the photo), a held "next" key then leaving the show, the djpeg
# floor, and the cold and warm change benchmarks. Prints medians and ratios.
#
#   bench/run-onscreen.sh [--build DIR] [bench_onscreen options...]
#
# DIR (default: build/ of the sources) is the build folder whose bench_onscreen runs; it is
# configured and its targets built when needed. Without --pictarra the Pictarra of DIR is timed; to compare
# builds, give each: --pictarra before=/path/to/pictarra --pictarra after=build/pictarra.
# Other options (--runs, --held-runs, --timeout, --poll-us, --log): bench_onscreen --help.
# feh, nsxiv, Xvfb, openbox, dbus-daemon and djpeg are installed when missing (Debian, as root
# or sudo).
set -euo pipefail
# Paths given on the command line stay relative to the caller's folder.
root=$(cd "$(dirname "$0")/.." && pwd)

build=$root/build
if [ "${1:-}" = --build ]; then
    build=${2:?--build wants a folder}
    shift 2
fi
options=("$@")
has_pictarra=false
for option in "${options[@]}"; do
    [ "$option" = --pictarra ] && has_pictarra=true
done

packages=(feh nsxiv xvfb xauth openbox dbus-daemon libjpeg-turbo-progs libx11-dev libxtst-dev)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "run-onscreen: installing what the benchmark needs: ${missing[*]}"
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Configured each time: that finds X development files installed just now, and a build folder
# configured before the benchmark existed learns its target.
cmake -S "$root" -B "$build" >/dev/null
targets=(bench_onscreen)
$has_pictarra || targets+=(pictarra bench_pictures bench_slideshow)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null
$has_pictarra || options+=(--pictarra "pictarra=$build/pictarra")
driver=$(realpath "$build/bench/bench_onscreen")

work=$(mktemp -d "${TMPDIR:-/tmp}/pictarra-onscreen.XXXXXX")
xvfb_pid=""
openbox_pid=""

stop_display() {
    # The window manager first, so that it does not lose its X server under its feet.
    if [ -n "$openbox_pid" ]; then
        kill "$openbox_pid" 2>/dev/null || true
        wait "$openbox_pid" 2>/dev/null || true
        openbox_pid=""
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

finish() {
    local status=$?
    stop_display
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts Xvfb on a free display of this size (it picks the number itself and writes it once it
# accepts clients) and openbox on it; bench_onscreen waits for openbox to be up.
start_display() {
    local size=$1 display=""
    rm -f "$work/display"
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    if ! read -r -t 30 display <"$work/display" || [ -z "$display" ]; then
        echo "run-onscreen: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$display"
    HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    openbox_pid=$!
}

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export TMPDIR="$work"
unset WAYLAND_DISPLAY
pictures=(--pictures "$work/pictures")

# A session bus, as every desktop has: without one, each start of a Qt program would launch a
# bus of its own (dbus-launch) on its way to the first picture.
on_session_bus=()
[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && on_session_bus=(dbus-run-session --)

start_display 1920x1080
"${on_session_bus[@]}" "$driver" "${pictures[@]}" --cases first,held "${options[@]}"
stop_display

start_display 3840x2160
"${on_session_bus[@]}" "$driver" "${pictures[@]}" --cases first-photo "${options[@]}"
stop_display

"$driver" "${pictures[@]}" --cases floor,change "${options[@]}"
