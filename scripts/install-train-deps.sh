#!/usr/bin/env bash
# Installs the Debian packages that scripts/gen-stamps.py, scripts/gen-unseen-stamps.py and
# scripts/train-reader.py need.
# Not part of install-deps.sh: building and testing Zelmora needs none of them.
# Does nothing (and returns at once) when they are all present already.
set -euo pipefail

packages=(python3-torch python3-numpy python3-opencv fonts-dejavu-core fonts-liberation fonts-freefont-ttf fonts-urw-base35)

source "$(dirname "${BASH_SOURCE[0]}")/apt-install-missing.sh"
install_missing install-train-deps "${packages[@]}"
