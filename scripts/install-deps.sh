#!/usr/bin/env bash
# Installs the Debian 12 packages Pictarra needs, only those that are missing.
#   scripts/install-deps.sh run       build and run the program
#   scripts/install-deps.sh package   build its Debian package (adds the packaging tools)
#   scripts/install-deps.sh test      build and run every test (adds Xvfb and friends, a
#                                     private D-Bus, the validators and the packaging tools)
set -euo pipefail

build_packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
                qt6-image-formats-plugins libqt6svg6 fonts-dejavu-core libjpeg-dev
                libheif-dev libjxl-dev libraw-dev)
package_packages=(dpkg-dev file)
test_packages=(xvfb xauth openbox xdotool wmctrl x11-utils imagemagick libjpeg-turbo-progs
               desktop-file-utils shared-mime-info findutils clang libclang-rt-14-dev libx11-dev libxtst-dev
               dbus appstream lintian libheif-examples libavif-bin libjxl-tools)

wanted=("${build_packages[@]}")
case "${1:-run}" in
    package) wanted+=("${package_packages[@]}") ;;
    test) wanted+=("${package_packages[@]}" "${test_packages[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
