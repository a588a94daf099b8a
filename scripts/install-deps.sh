#!/usr/bin/env bash
# Installs the Debian packages Zelmora needs to build, test and benchmark.
# Does nothing (and returns at once) when they are all present already.
set -euo pipefail

# A few names differ between Debian 12 (bookworm) and 13 (trixie).
. /etc/os-release
# libheif decodes HEIC with libde265: inside libheif1 on 12, a plugin package of its own on 13.
case "${VERSION_ID:-}" in
  12) llvm=14 heif=() ;;
  13) llvm=19 heif=(libheif-plugin-libde265) ;;
  *)
    echo "install-deps: Zelmora builds on Debian 12 or 13, not on ${PRETTY_NAME:-this system}" >&2
    exit 1
    ;;
esac

packages=(
  # build
  cmake g++ make pkg-config git
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libsqlcipher-dev
  # Qt's own texts in Italian (the context menu, the message box's button)
  qt6-translations-l10n
  # the sqlcipher shell, for looking inside Kelvo.bmp
  sqlcipher
  # widget tests and end-to-end tests in a real X server
  xvfb xauth openbox xdotool x11-utils
  # the same under Wayland (weston) and through a screen reader's eyes (AT-SPI)
  weston qt6-wayland dbus python3-pyatspi at-spi2-core
  # the AppStream metadata's and the desktop entry's checks
  appstream desktop-file-utils
  # a sans font close to MS Sans Serif, and the platform plugin's runtime needs
  fonts-liberation fontconfig
  # the stamp reader: OpenCV's image work and network runner, and WebP photos
  libopencv-core-dev libopencv-imgproc-dev libopencv-dnn-dev qt6-image-formats-plugins
  # HEIC photos, as iPhones save them
  libheif-dev "${heif[@]}"
  # the reader's tests: the photo generator and the bad photos they make
  python3-numpy python3-opencv fonts-dejavu-core fonts-freefont-ttf
  # style and fuzzing
  clang clang-format "libclang-rt-$llvm-dev"
  # the .deb's dependencies, read off the built program
  dpkg-dev file
)

# Node.js evaluates the npm package that scripts/update-comuni.py reads.
command -v node >/dev/null || packages+=(nodejs)

source "$(dirname "${BASH_SOURCE[0]}")/apt-install-missing.sh"
install_missing install-deps "${packages[@]}"
