#!/usr/bin/env bash
# Runs the end-to-end test program on a private X server (Xvfb, 1280 x 800) with the openbox
# window manager, so that maximise, minimise and close behave as on a desktop:
#   run-e2e.sh TEST_PROGRAM [TEST_ARGUMENTS...]
# The X server and the window manager are always ended afterwards. Exits 77 (CTest: skipped)
# when the X tools are not installed; scripts/install-deps.sh test installs them.
set -euo pipefail

for tool in Xvfb openbox xdotool wmctrl xwininfo xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-e2e: $tool is not installed; skipped (scripts/install-deps.sh test)" >&2
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pictarra-e2e.XXXXXX")
xvfb_pid=""
openbox_pid=""

finish() {
    local status=$?
    # The window manager first, so that it does not lose its X server under its feet.
    if [ -n "$openbox_pid" ]; then
        kill "$openbox_pid" 2>/dev/null || true
        wait "$openbox_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        for log in "$work"/*.log; do
            [ -s "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
        done
    fi
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb picks a free display itself and writes its number once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
if ! read -r -t 30 display <"$work/display" || [ -z "$display" ]; then
    echo "run-e2e: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$display"

# The window manager with its stock configuration, not the user's.
HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
openbox_pid=$!
# It is up once it announces itself on the root window.
deadline=$((SECONDS + 30))
until wmctrl -m >/dev/null 2>&1; do
    if ! kill -0 "$openbox_pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
        echo "run-e2e: openbox did not start" >&2
        exit 1
    fi
    sleep 0.1
done

export QT_QPA_PLATFORM=xcb
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY
"$@"
