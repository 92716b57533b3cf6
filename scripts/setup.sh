#!/bin/sh
# Installs every Debian package Quirn needs to build, run and test.
# Idempotent: prints what it installs, does nothing when all is there.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools libqt6test6 libqt6svg6 qt6-svg-dev
libqpdf-dev libcups2-dev
libgsf-1-dev zlib1g-dev
libreoffice-calc libreoffice-dev libreoffice-dev-common
cups cups-client cups-bsd printer-driver-cups-pdf
fonts-noto-cjk adwaita-icon-theme
xvfb xauth openbox imagemagick
python3 python3-olefile poppler-utils x11-utils
qt6-translations-l10n desktop-file-utils
clang libclang-rt-14-dev
gnumeric
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "setup: all packages are installed"
    exit 0
fi

echo "setup: installing:$missing"
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
