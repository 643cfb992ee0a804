#!/usr/bin/env bash
# Builds the Debian package of a build folder and checks it without installing it:
#   scripts/check-package.sh BUILD_DIR
# its control fields and file list, the unpacked program's --version and --help (no display,
# no settings), the installed tree's AppStream metadata, and lintian with no error where it
# is installed. Exits 77 (CTest: skipped) when the Debian packaging tools are missing;
# scripts/install-deps.sh test installs them.
set -euo pipefail

if [ "$#" -ne 1 ] || [ ! -f "$1/CPackConfig.cmake" ]; then
    echo "usage: check-package.sh BUILD_DIR (a configured and built folder)" >&2
    exit 2
fi
build=$(realpath "$1")
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check-package: $tool is not installed; skipped (scripts/install-deps.sh test)" >&2
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pictarra-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "check-package: FAIL: $*" >&2
    status=1
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "check-package: cpack failed" >&2
    exit 1
fi
packages=("$work"/out/pictarra_*.deb)
if [ "${#packages[@]}" -ne 1 ] || [ ! -f "${packages[0]}" ]; then
    echo "check-package: expected one pictarra_*.deb, found: ${packages[*]}" >&2
    exit 1
fi
deb=${packages[0]}
echo "check-package: $(basename "$deb")"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"

# Control fields.
field() { dpkg-deb --field "$deb" "$1"; }
expect_field() {
    local value
    value=$(field "$1")
    [[ $value =~ $2 ]] || fail "$1 is '$value', not /$2/"
}
expect_field Package '^pictarra$'
expect_field Architecture "^$(dpkg --print-architecture)$"
expect_field Section '^graphics$'
expect_field Priority '^optional$'
expect_field Maintainer '^[^<>]+ <[^@<>]+@pictarra\.tarrowby\.example>$'
expect_field Homepage '^https://pictarra\.tarrowby\.example/$'
expect_field Installed-Size '^[0-9]+$'
# A synopsis, then an extended description.
expect_field Description $'^[^\n]{10,79}\n .+'
depends=$(field Depends)
# The names alone, one a line: "libc6 (>= 2.34)" is libc6.
depended=$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')
# The libraries the program links (found by dpkg-shlibdeps) and the Qt plugins it loads.
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libqt6svg6 \
               qt6-image-formats-plugins; do
    grep -Fqx "$package" <<<"$depended" || fail "Depends lacks $package: $depends"
done

# Exactly these files, owned by root, with the usual modes.
expected_files=$(sort <<'EOF'
./usr/bin/pictarra
./usr/share/applications/example.tarrowby.pictarra.desktop
./usr/share/doc/pictarra/changelog.gz
./usr/share/doc/pictarra/copyright
./usr/share/icons/hicolor/128x128/apps/pictarra.png
./usr/share/icons/hicolor/16x16/apps/pictarra.png
./usr/share/icons/hicolor/256x256/apps/pictarra.png
./usr/share/icons/hicolor/32x32/apps/pictarra.png
./usr/share/icons/hicolor/48x48/apps/pictarra.png
./usr/share/icons/hicolor/64x64/apps/pictarra.png
./usr/share/icons/hicolor/scalable/apps/pictarra.svg
./usr/share/man/man1/pictarra.1.gz
./usr/share/metainfo/example.tarrowby.pictarra.metainfo.xml
EOF
)
files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$files" = "$expected_files" ] || fail "file list differs:"$'\n'"$(diff <(echo "$expected_files") <(echo "$files"))"
while read -r mode owner _ _ _ path; do
    [ "$owner" = root/root ] || fail "$path is owned by $owner"
    case $mode in
        d*) want=drwxr-xr-x ;;
        *) [ "$path" = ./usr/bin/pictarra ] && want=-rwxr-xr-x || want=-rw-r--r-- ;;
    esac
    [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
done < <(dpkg-deb --contents "$deb")

# The unpacked program answers without a display and without touching any settings.
dpkg-deb -x "$deb" "$work/root"
mkdir "$work/home"
run_unpacked() {
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        "$work/root/usr/bin/pictarra" "$@"
}
version=$(run_unpacked --version) || fail "pictarra --version failed"
[ "$version" = "Pictarra $(field Version)" ] || fail "--version says '$version', the package is $(field Version)"
help=$(run_unpacked --help) || fail "pictarra --help failed"
[[ $help == "Usage: pictarra "* ]] || fail "--help says: $help"
[ -z "$(ls -A "$work/home")" ] || fail "--version or --help wrote to the home folder"

# The installed tree as a software centre reads it: metadata, desktop entry and icon together.
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net "$work/root" || fail "appstreamcli validate-tree"
fi

if command -v lintian >/dev/null 2>&1; then
    echo "check-package: lintian $(lintian --print-version)"
    lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"
else
    echo "check-package: lintian is not installed; not run"
fi

[ "$status" -eq 0 ] && echo "check-package: $(basename "$deb") passed"
exit "$status"
