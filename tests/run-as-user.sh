#!/usr/bin/env bash
# Runs test functions of one test program as an unprivileged user, for the tests whose point is
# a permission that root ignores (an unreadable folder, a read-only folder):
#   run-as-user.sh TEST_PROGRAM FUNCTION[:ROW]...
# Exits 77 (CTest: skipped) when not run as root: the ordinary run of the test program had no
# privileges already. As root, the program is copied into a fresh folder that the user can
# read (the build folder may lie where the user cannot enter) and run there as "nobody", with a
# fresh home and temporary folder of its own. A function that skips counts as a failure here:
# as that user, every one of them must really run.
set -euo pipefail

if [ "$#" -lt 2 ]; then
    echo "usage: run-as-user.sh TEST_PROGRAM FUNCTION[:ROW]..." >&2
    exit 2
fi
program=$1
shift

if [ "$(id -u)" -ne 0 ]; then
    echo "run-as-user: not root; the ordinary run already had no privileges" >&2
    exit 77
fi
if ! command -v setpriv >/dev/null 2>&1; then
    echo "run-as-user: setpriv (util-linux) is missing" >&2
    exit 1
fi

user=nobody
group=nogroup
getent passwd "$user" >/dev/null || user=65534
getent group "$group" >/dev/null || group=65534

as_user=(setpriv --reuid="$user" --regid="$group" --clear-groups)

# The first temporary folder in which the user can run the copy.
work=""
trap 'if [ -n "$work" ]; then rm -rf -- "$work"; fi' EXIT
for parent in "${TMPDIR:-/tmp}" /tmp /var/tmp; do
    work=$(mktemp -d "$parent/pictarra-as-user.XXXXXX") || { work=""; continue; }
    chmod 755 -- "$work"
    install -m 755 -- "$program" "$work/test"
    if "${as_user[@]}" test -x "$work/test"; then
        break
    fi
    rm -rf -- "$work"
    work=""
done
if [ -z "$work" ]; then
    echo "run-as-user: no temporary folder where $user can run the test program" >&2
    exit 1
fi
for folder in home config data runtime tmp run; do
    mkdir -- "$work/$folder"
done
chown -- "$user:$group" "$work"/{home,config,data,runtime,tmp,run}
chmod 700 -- "$work/runtime"

# The sanitizers' options pass through; a suppression file named there is copied beside the
# program, since the user may not be able to read it where it lies.
lsan_options=${LSAN_OPTIONS:-}
if [[ $lsan_options =~ (^|:)suppressions=([^:]*) ]]; then
    install -m 644 -- "${BASH_REMATCH[2]}" "$work/lsan.supp"
    lsan_options=${lsan_options/suppressions=${BASH_REMATCH[2]}/suppressions=$work/lsan.supp}
fi

environment=(
    PATH=/usr/local/bin:/usr/bin:/bin
    HOME="$work/home"
    XDG_CONFIG_HOME="$work/config"
    XDG_DATA_HOME="$work/data"
    XDG_RUNTIME_DIR="$work/runtime"
    TMPDIR="$work/tmp"
    QT_QPA_PLATFORM=offscreen
    LC_ALL=C.UTF-8
)
for name in ASAN_OPTIONS UBSAN_OPTIONS QTEST_FUNCTION_TIMEOUT; do
    if [ -n "${!name:-}" ]; then
        environment+=("$name=${!name}")
    fi
done
if [ -n "$lsan_options" ]; then
    environment+=("LSAN_OPTIONS=$lsan_options")
fi

log="$work/run/output.txt"
status=0
(cd "$work/run" && "${as_user[@]}" env -i "${environment[@]}" "$work/test" -o "$log,txt" -o -,txt "$@") \
    || status=$?
if [ "$status" -ne 0 ]; then
    exit "$status"
fi

# QtTest ends with "Totals: P passed, F failed, S skipped, ...".
totals=$(grep -E '^Totals: ' "$log" || true)
if ! [[ $totals =~ ^Totals:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed,\ ([0-9]+)\ skipped ]]; then
    echo "run-as-user: no totals in the test output" >&2
    exit 1
fi
if [ "${BASH_REMATCH[3]}" -ne 0 ]; then
    echo "run-as-user: a test skipped although it ran without privileges" >&2
    exit 1
fi
