#!/usr/bin/env bash
# End-to-end tests of the built program, as a user meets it: a real X server
# (Xvfb) with a window manager (openbox), driven with xdotool and read back with
# xprop, xwininfo and screenshots, whose pixel colours are checked at places
# the layout fixes.
#
# Usage: run.sh PROGRAM KELVO_BMP [SCREENSHOT_DIR]
set -uo pipefail

program=$(realpath "$1")
kelvo=$(realpath "$2")
shots=${3:-}

passed=0
failed=0
pids=()
work=$(mktemp -d)

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

check() { # name, then a command that succeeds when the check holds
  local name=$1
  shift
  if "$@"; then
    echo "PASS   : $name"
    passed=$((passed + 1))
  else
    echo "FAIL!  : $name"
    failed=$((failed + 1))
  fi
}

# --- the X server and the window manager ------------------------------------
for n in $(seq 120 200); do
  [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break
done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work LC_ALL=C.UTF-8

# --- helpers -------------------------------------------------------------------
twips() { echo $(($1 / 15)); } # twips to pixels at 96 dpi

start_zelmora() { # folder; sets zpid and wid
  (cd "$1" && exec "$program") >>"$work/zelmora.log" 2>&1 &
  zpid=$!
  pids+=($zpid)
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --all --pid "$zpid" --onlyvisible --name '^Zelmora$' 2>/dev/null | head -n 1)
    [[ -n "$wid" ]] && break
    sleep 0.05
  done
  [[ -n "$wid" ]] || { echo "Zelmora did not show its window"; cat "$work/zelmora.log"; exit 1; }
  sleep 0.5
}

geometry() { # prints x y width height of the client area
  xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}
extents() { # left right top bottom
  xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g'
}
outer_height() {
  local x y w h l r t b
  read -r x y w h < <(geometry)
  read -r l r t b < <(extents)
  echo $((h + t + b))
}
wait_outer_height() { # twips
  local want
  want=$(twips "$1")
  for _ in $(seq 60); do
    [[ $(outer_height) -eq $want ]] && return 0
    sleep 0.05
  done
  return 1
}

shot() { import -window "$wid" "$work/shot.png" 2>/dev/null; }
pixel() { # x y in client pixels: prints r,g,b
  convert "$work/shot.png" -format '%[fx:int(255*p{'"$1,$2"'}.r)],%[fx:int(255*p{'"$1,$2"'}.g)],%[fx:int(255*p{'"$1,$2"'}.b)]' info:
}
red_pixels() { # x y w h in twips: how many pure-red-ish pixels lie there
  convert "$work/shot.png" -crop "$(twips "$3")x$(twips "$4")+$(twips "$1")+$(twips "$2")" +repage \
    -fx '(r > 0.8 && g < 0.3 && b < 0.3) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:
}
dark_pixels() { # x y w h in twips
  convert "$work/shot.png" -crop "$(twips "$3")x$(twips "$4")+$(twips "$1")+$(twips "$2")" +repage \
    -fx '(r < 0.3 && g < 0.3 && b < 0.3) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:
}
save_shot() { [[ -n "$shots" ]] && cp "$work/shot.png" "$shots/$1.png"; return 0; }

click_at() { # x y in twips, client coordinates
  xdotool mousemove --window "$wid" "$(twips "$1")" "$(twips "$2")" click 1
  sleep 0.15
}
move_to() {
  xdotool mousemove --window "$wid" "$(twips "$1")" "$(twips "$2")"
  sleep 0.05
  xdotool mousemove_relative 1 0
  sleep 0.15
}
type_code() {
  xdotool key --window "$wid" ctrl+a BackSpace
  xdotool type --delay 20 "$1"
  sleep 0.1
}
search() { type_code "$1"; click_at 2280 1680; sleep 0.2; }   # the centre of Ricerca

is() { [[ "$1" == "$2" ]]; }
ge() { [[ "$1" -ge "$2" ]]; }
within() { local d=$(($1 - $2)); [[ ${d#-} -le $3 ]]; }

# --- start-up -------------------------------------------------------------------
mkdir -p "$work/db" "$work/empty"
cp "$kelvo" "$work/db/Kelvo.bmp"
start_zelmora "$work/db"

read -r x y w h < <(geometry)
read -r l r t b < <(extents)
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
check "outer height at start is 3180 twips" is "$(outer_height)" "$(twips 3180)"
check "inside is 4680 twips wide" is "$w" "$(twips 4680)"
check "centred across" within $((x - l + (w + l + r) / 2)) $((sw / 2)) 3
check "centred down" within $((y - t + (h + t + b) / 2)) $((sh / 2)) 3
hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
min=$(sed -n 's/.*program specified minimum size: \(.*\)/\1/p' <<<"$hints")
max=$(sed -n 's/.*program specified maximum size: \(.*\)/\1/p' <<<"$hints")
check "cannot be resized (minimum size is maximum size)" is "$min" "$max"
motif=$(xprop -id "$wid" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')
read -r _ functions decorations _ <<<"$motif"
check "asks for no minimise button" is $((functions & 8)) 0
check "asks for no maximise button" is $((functions & 16)) 0
check "the window manager offers no maximise" \
  bash -c "! xprop -id $wid _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE"
check "asks to stay above other windows" \
  bash -c "xprop -id $wid _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"
check "the window has the keyboard focus" is "$(xdotool getwindowfocus)" "$wid"
shot
save_shot collapsed
check "the egg is light yellow" is "$(pixel 152 40)" "255,255,128"
check "the code box is pale yellow" is "$(pixel 125 76)" "255,255,192"

# --- a valid code ---------------------------------------------------------------
search 1it015vr001
check "a valid code expands the window to 7065 twips" wait_outer_height 7065
sleep 0.2
shot
save_shot results
check "the title strip shows" is "$(pixel 12 185)" "192,0,0"
check "the first result row is peach" is "$(pixel 163 225)" "255,224,192"
check "the results are written (dark text in a2 to a4)" ge "$(dark_pixels 2520 3555 1935 975)" 60
check "no not-found marker for Bussolengo" is "$(red_pixels 2520 3555 1935 975)" 0

click_at 2700 3300 # the farming type
shot
save_shot panel
check "a click on the farming type opens the panel" is "$(pixel 20 150)" "255,224,192"
check "the panel heading is dark red" is "$(pixel 12 12)" "192,0,0"
move_to 4600 3000 # background right of the title strip
shot
check "pointer over the background hides the panel" is "$(pixel 20 150)" "255,255,255"

# --- a bad code -----------------------------------------------------------------
search 12345
shot
save_shot flash
check "a bad code collapses the window" wait_outer_height 3180
check "\"Dati Errati!\" in red in the box" ge "$(red_pixels 1680 1080 1215 285)" 20
sleep 1.3
shot
check "after the flash no red remains in the box" is "$(red_pixels 1680 1080 1215 285)" 0
check "after the flash the typed text is back in black" ge "$(dark_pixels 1680 1080 1215 285)" 10

# --- places the database lacks --------------------------------------------------
search 1XX999ZZ001
check "an unknown code still expands the window" wait_outer_height 7065
sleep 0.2
shot
save_shot notfound
check "the not-found marker shows in red" ge "$(red_pixels 2520 3555 1935 975)" 60

# --- another window activated over it -------------------------------------------
LC_ALL=C xmessage -geometry 1200x1000+0+0 "Un altro programma" &
other=$!
pids+=($other)
for _ in $(seq 100); do
  owid=$(xdotool search --pid "$other" --onlyvisible 2>/dev/null | head -n 1)
  [[ -n "$owid" ]] && break
  sleep 0.05
done
xdotool windowactivate --sync "$owid" 2>/dev/null
sleep 0.3
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
top=$(awk '{print $NF}' <<<"$stacking")
check "another program's window activated over it does not cover it" is "$((top))" "$((wid))"
check "the other window is active" \
  bash -c "xprop -id \$(xdotool getactivewindow) WM_CLASS | grep -q Xmessage"
kill "$other" 2>/dev/null
kill "$zpid" 2>/dev/null
wait "$zpid" 2>/dev/null

# --- no Kelvo.bmp ---------------------------------------------------------------
start_zelmora "$work/empty"
search 1IT015VR001
box=""
for _ in $(seq 60); do
  box=$(xdotool search --all --pid "$zpid" --onlyvisible --name '^Zelmora$' 2>/dev/null | grep -v "^$wid$" | head -n 1)
  [[ -n "$box" ]] && break
  sleep 0.05
done
check "without Kelvo.bmp a search shows a message box" test -n "$box"
xdotool key --window "$box" Return 2>/dev/null
sleep 0.5
check "the program keeps running after the message" kill -0 "$zpid"
check "its window is still there" xwininfo -id "$wid" >/dev/null 2>&1
check "no Kelvo.bmp was created" test ! -e "$work/empty/Kelvo.bmp"
cp "$kelvo" "$work/empty/Kelvo.bmp"
click_at 2280 1680
check "once the file is back the search works" wait_outer_height 7065

check "the program reported no sanitizer error" \
  bash -c "! grep -q -E 'Sanitizer|runtime error' '$work/zelmora.log'"

echo "Totals: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
