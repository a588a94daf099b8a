#!/usr/bin/env bash
# Installs the Debian packages that scripts/gen-stamps.py and scripts/train-reader.py need.
# Not part of install-deps.sh: building and testing Zelmora needs none of them.
# Does nothing (and returns at once) when they are all present already.
set -euo pipefail

packages=(python3-torch python3-numpy python3-opencv fonts-dejavu-core fonts-liberation fonts-freefont-ttf)

installed=" $(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 == "installed" { printf "%s ", $1 }' || true)"
missing=()
for p in "${packages[@]}"; do
  [[ "$installed" == *" $p "* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-train-deps: installing ${missing[*]}" >&2
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
