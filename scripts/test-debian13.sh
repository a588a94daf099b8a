#!/usr/bin/env bash
# Runs scripts/test.sh, the README's test command, on Debian 13 (trixie): in a
# minimal Debian 13 root made with debootstrap and kept under
# ZELMORA_DEBIAN13_ROOT (/var/cache/zelmora-ci/trixie), so that later runs reuse
# its packages. The checkout is copied in afresh each time (tracked files and
# new ones git does not ignore, as they are in the work tree). Needs root.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=${ZELMORA_DEBIAN13_ROOT:-/var/cache/zelmora-ci/trixie}
[[ $(id -u) -eq 0 ]] || { echo "test-debian13: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }

# The same mirror as this machine's own package lists.
mirror=$(cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
  sed -n 's/^URIs: *\([^ ]*\).*/\1/p; s/^deb  *\(\[[^]]*\]  *\)\{0,1\}\([^ ]*\) .*/\2/p' |
  grep -v -e security -e '^$' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

# /proc, /sys and /dev from this machine are bound into the root as slaves, so
# that nothing mounted inside reaches back here, and taken down again however
# the run ends; also those that a run killed before its end left behind.
unmount() {
  local fs
  for fs in proc sys dev; do
    if mountpoint -q "$target/$fs"; then umount -R "$target/$fs" 2>/dev/null || umount -R -l "$target/$fs"; fi
  done
}
trap unmount EXIT
[[ -d $target ]] && unmount

if [[ ! -e $target/.zelmora-ready ]]; then
  command -v debootstrap >/dev/null ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null; }
  echo "test-debian13: making a Debian 13 root in $target from $mirror"
  rm -rf --one-file-system "$target"
  mkdir -p "$(dirname "$target")"
  debootstrap --variant=minbase trixie "$target" "$mirror" >"$target.log" 2>&1 ||
    { tail -n 20 "$target.log" >&2; exit 1; }
  cat >"$target/etc/apt/sources.list" <<EOF
deb $mirror trixie main
deb $mirror trixie-updates main
deb ${mirror%/debian}/debian-security trixie-security main
EOF
  touch "$target/.zelmora-ready"
fi

for fs in proc sys dev; do
  mount --rbind "/$fs" "$target/$fs"
  mount --make-rslave "$target/$fs"
done
cp -L /etc/resolv.conf "$target/etc/resolv.conf"

rm -rf "$target/root/zelmora"
mkdir -p "$target/root/zelmora"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  (cd "$root" && tar --null -T - -cf - --ignore-failed-read 2>/dev/null) | tar -xf - -C "$target/root/zelmora"

# A clean environment inside, as a new user's root shell has it.
chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash /root/zelmora/scripts/test.sh
