#!/usr/bin/env bash
# The built program in a real X server (Xvfb) with a window manager (openbox):
# what only they show. Driven with xdotool, read back with xprop and xwininfo;
# every read waits, within a bound, for what it reads.
# Usage: run.sh PROGRAM KELVO_BMP
set -uo pipefail
program=$(realpath "$1")
kelvo=$(realpath "$2")
work=$(mktemp -d)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xsession.sh"
trap 'xsession_stop; rm -rf "$work"' EXIT
# A title bar as tall as GNOME's or Xfce's (32 px here): openbox's own is 22.
cat >"$work/rc.xml" <<EOF
<openbox_config xmlns="http://openbox.org/3.4/rc"><theme><name>Clearlooks</name>
  <font place="ActiveWindow"><size>16</size></font><font place="InactiveWindow"><size>16</size></font>
</theme></openbox_config>
EOF
xsession_start 1366x768 "$work/rc.xml" || exit 1
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work LC_ALL=C.UTF-8

passed=0 failed=0
check() { # name, then a command that succeeds when the check holds
  if "${@:2}"; then echo "PASS   : $1"; ((passed++)); else echo "FAIL!  : $1"; ((failed++)); fi
}
px() { awk -v t="$1" -v s="${scale:-1}" 'BEGIN { printf "%d", t / 15 * s }'; } # twips to pixels at 96 dpi
is() { [[ "$1" == "$2" ]]; }
not() { ! "$@"; }
stays() { local i; for i in $(seq 20); do "$@" || return 1; sleep 0.05; done; } # holds for a second

launch() { # folder [env...]; sets zpid. With photo set, zelmora "$photo".
  (cd "$1" && exec env "${@:2}" "$program" ${photo:+"$photo"}) >>"$work/zelmora.log" 2>&1 &
  zpid=$! wid=""
  xsession_pids+=($zpid)
}
start_zelmora() { # folder [env...]; sets zpid, and wid once the window manager has framed the window
  launch "$@"
  poll windows_of_zelmora || return 1
  wid=$(windows_of_zelmora | head -n 1)
  poll framed
}
windows_of_zelmora() { xdotool search --all --pid "$zpid" --onlyvisible --name '^Zelmora$' | grep -vx "${wid:-none}"; }
framed() {
  xwininfo -id "$wid" | grep -q IsViewable && xprop -id "$wid" _NET_FRAME_EXTENTS | grep -q = &&
    ! xprop -id "$wid" _NET_WM_STATE | grep -q 'not found'
}
frame() { # x y width height of the whole window, frame included
  local l r t b
  read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  xwininfo -id "$wid" | awk -v l="$l" -v r="$r" -v t="$t" -v b="$b" '/Absolute upper-left X/ {x=$4}
    /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x-l, y-t, w+l+r, h+t+b}'
}
outer_height_is() { local f; f=($(frame)); [[ ${f[3]} -eq $(px "$1") ]]; }
click_at() { xdotool mousemove --window "$wid" "$(px "$1")" "$(px "$2")" click 1; }
search() { xdotool key --window "$wid" ctrl+a BackSpace type --delay 10 "$1"; click_at 2280 1680; }
focus_is() { [[ $(xdotool getwindowfocus) == "$1" ]]; }
active_is() { [[ $(xdotool getactivewindow) == "$1" ]]; }

# --- start-up -------------------------------------------------------------------
mkdir -p "$work/db" "$work/empty"
cp "$kelvo" "$work/db/Kelvo.bmp"
start_zelmora "$work/db" || { echo "FAIL!  : Zelmora did not show a framed window"; cat "$work/zelmora.log"; exit 1; }
read -r x y w h < <(frame)
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
check "outer height at start is 3180 twips" outer_height_is 3180
near() { (($1 - $2 <= 3 && $2 - $1 <= 3)); }
check "centred across" near $((x + w / 2)) $((sw / 2))
hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
check "cannot be resized" is "$(grep -o 'minimum size: .*' <<<"$hints" | cut -d: -f2)" \
  "$(grep -o 'maximum size: .*' <<<"$hints" | cut -d: -f2)"
read -r _ functions _ < <(xprop -id "$wid" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')
check "asks for no minimise and no maximise" is $((functions & 24)) 0
check "asks to stay above other windows" grep -q _NET_WM_STATE_ABOVE <<<"$(xprop -id "$wid" _NET_WM_STATE)"
check "the window has the keyboard focus" poll focus_is "$wid"

# --- the expanded height ---------------------------------------------------------------
search 1it015vr001
check "a valid code expands the window to 7065 twips" poll outer_height_is 7065
read -r x y w h < <(frame)
check "centred down, expanded" near $((y + h / 2)) $((sh / 2))
echo "       at scale 1: window (frame included) at x,y,width,height $x,$y,$w,$h"

# --- the panel open, then a key: the collapsed window is not left under the panel ---
click_at 3480 3320
xdotool key --window "$wid" BackSpace type --delay 10 1
click_at 2280 1680
check "a key typed with the panel open closes it, and Ricerca then searches" poll outer_height_is 7065

# --- another program's window activated over it ------------------------------------
LC_ALL=C xmessage -geometry 1300x700+0+0 "Un altro programma" &
other=$!
xsession_pids+=($other)
poll xdotool search --onlyvisible --class Xmessage
owid=$(xdotool search --onlyvisible --class Xmessage | head -n 1)
xdotool windowactivate --sync "$owid"
on_top() { [[ $(($(xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}'))) -eq $((wid)) ]]; }
check "the other window becomes active" poll active_is "$owid"
check "and does not cover Zelmora" poll on_top
xdotool mousemove --window "$wid" "$(px 4600)" "$(px 3000)" mousemove_relative 1 0
check "the pointer over Zelmora takes no keyboard from it" stays active_is "$owid"
kill "$other" "$zpid"

# --- a photo named on the command line, as "Apri con Zelmora" starts it --------------
photo=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../data/photos/uovo.jpg") start_zelmora "$work/db"
check "zelmora FOTO reads the photo's code and shows its results" poll outer_height_is 7065
kill "$zpid"

# --- scaled screens: the expanded window stays on screen whenever it fits --------
on_screen() { # the window is expanded, and in view as far as it fits
  local f; f=($(frame))
  ((f[3] > $(px 4000))) && { ((f[3] <= sh && f[1] >= 0 && f[1] + f[3] <= sh)) || ((f[3] > sh && f[1] <= 0)); }
}
for scale in 1.25 1.5 2; do
  start_zelmora "$work/db" QT_SCALE_FACTOR=$scale
  search 1IT015VR001
  check "at scale $scale the expanded window is on screen as far as it fits" poll on_screen
  echo "       at scale $scale: window (frame included) at x,y,width,height $(frame | tr ' ' ,)"
  kill "$zpid"
done
scale=1

# --- a Wayland session (weston) with an X server at hand ------------------------------
weston --backend=headless-backend.so --socket=wayland-zelmora --idle-time=0 >/dev/null 2>&1 &
xsession_pids+=($!)
wayland=(-u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-zelmora XDG_SESSION_TYPE=wayland)
poll test -S "$XDG_RUNTIME_DIR/wayland-zelmora"
check "in a Wayland session the window goes to the X server, to stay above" start_zelmora "$work/db" "${wayland[@]}"
kill "$zpid"
launch "$work/db" "${wayland[@]}" QT_QPA_PLATFORM=wayland
check "a platform the user chose is kept" stays not windows_of_zelmora
check "and the program runs on it" kill -0 "$zpid"
kill "$zpid"

# --- a screen reader over AT-SPI ---------------------------------------------------
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/screenreader.py" "$program" "$work/db" 2>/dev/null | grep -v '^Totals'
check "a screen reader can read and drive it" test "${PIPESTATUS[0]}" -eq 0

# --- no Kelvo.bmp ------------------------------------------------------------------
start_zelmora "$work/empty"
search 1IT015VR001
check "without Kelvo.bmp a search shows a message box" poll windows_of_zelmora
poll focus_is "$(windows_of_zelmora | head -n 1)" && xdotool key Return
check "which closes with Enter" poll not windows_of_zelmora
check "no sanitizer report" not grep -q -E 'Sanitizer|runtime error' "$work/zelmora.log"

echo "Totals: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
