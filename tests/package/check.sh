#!/usr/bin/env bash
# Builds the Debian package, installs it (see below) and checks what
# it holds; then checks a plain `cmake --install` into a temporary prefix.
# Usage: check.sh BUILD_DIR
set -uo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { if "${@:2}"; then echo "PASS   : $1"; ((passed++)); else echo "FAIL!  : $1"; ((failed++)); fi; }
is() { [[ "$1" == "$2" ]]; }
runs_from() { # root, desktop entry: the program starts in the entry's Path, beside Kelvo.bmp, and keeps running
  (cd "$1$(sed -n 's/^Path=//p' "$2")" && test -s Kelvo.bmp && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work \
    timeout 2 "$1$(sed -n 's/^Exec=//; s/ %f$//p' "$2")" >/dev/null 2>&1)
  [[ $? -eq 124 ]]
}

(cd "$work" && cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1)
deb=$(ls "$work"/pkg/*.deb 2>/dev/null | head -n 1)
check "cpack builds a .deb" test -f "$deb"
[[ -f "$deb" ]] || { cat "$work/cpack.log"; exit 1; }
depends=$(dpkg-deb --field "$deb" Depends)
owners() { # the packages of the libraries a program links
  objdump -p "$1" | awk '/NEEDED/ {print $2}' | while read -r lib; do
    dpkg -S "*/$(gcc -dumpmachine)/$lib" 2>/dev/null | head -n 1 | cut -d: -f1
  done
}
depends_on_all() {
  local p
  for p in $(owners "$build/bin/zelmora"); do grep -q "\b$p\b" <<<"$depends" || return 1; done
}
check "depends on the package of every library the program links" depends_on_all
check "and on Qt's plugins, Qt's Italian texts and the font" grep -q "qt6-qpa-plugins.*qt6-translations-l10n.*fonts-liberation" <<<"$depends"

# As root, and where no Zelmora is installed already, the package is installed
# for real (apt resolves its dependencies on this release) and removed again;
# otherwise it is unpacked into a temporary root.
root=$work/root
if [[ $(id -u) -eq 0 ]] && ! dpkg -s zelmora >/dev/null 2>&1; then
  trap 'dpkg --purge zelmora >/dev/null 2>&1; rm -rf "$work"' EXIT
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/apt.log" 2>&1 || cat "$work/apt.log"
  check "apt installs it with its dependencies" test -x /usr/bin/zelmora
  root=""
else
  dpkg-deb --extract "$deb" "$root"
fi
id=invalid.zelmora.Zelmora
entry=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
check "Kelvo.bmp installed unchanged" cmp -s "$root/usr/share/zelmora/Kelvo.bmp" "$build/bin/Kelvo.bmp"
check "the desktop entry's icon is in the hicolor theme" \
  test -s "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$entry").svg"
check "the installed program starts from its desktop entry, in the folder of Kelvo.bmp" runs_from "$root" "$entry"
check "AppStream metadata for the desktop entry" grep -q "<launchable type=\"desktop-id\">$id.desktop<" "$metainfo"
check "desktop-file-validate passes the desktop entry" desktop-file-validate "$entry"
mimetypes() { sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d'; }
check "the entry opens a file (%f) of the photo types" grep -q '^Exec=.* %f$' "$entry"
check "and the photo types are JPEG, PNG, WebP, HEIC and HEIF" \
  is "$(mimetypes | tr '\n' ' ')" "image/jpeg image/png image/webp image/heic image/heif "
check "the metainfo lists the same types" \
  is "$(mimetypes)" "$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo")"
appstream=$(appstreamcli validate --no-net "$metainfo" 2>&1)
check "appstreamcli validate --no-net passes it" test $? -eq 0
echo "$appstream" | sed 's/^/       /' 

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
check "cmake --install: desktop entry follows the prefix" grep -qx "Path=$prefix/share/zelmora" "$prefix/share/applications/$id.desktop"
check "cmake --install: Kelvo.bmp beside the entry's Path" test -s "$prefix/share/zelmora/Kelvo.bmp"
egg=$(dirname "$(realpath "$0")")/../fuzz/corpus/photoreader/egg.png # an egg without a stamp: status 1, not 2
check "cmake --install: zelmora --read has its network and needs no display" bash -c "cd '$prefix/share/zelmora' &&
  env -u DISPLAY -u WAYLAND_DISPLAY '$prefix/bin/zelmora' --read '$egg' >/dev/null 2>&1; test \$? -eq 1"

echo "Totals: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
