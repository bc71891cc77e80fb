#!/bin/sh
# Screenshots of the messages page and the three dialogs behind its live-value
# buttons (countdown, birthday, world time), as a user sees them: the real
# program on a private Xvfb with the real GTK widgets, driven with xdotool.
#
#   tools/messages_screenshots.sh OUTDIR [DPI] [LUMIVEX]
#
# DPI defaults to 96; LUMIVEX to build/host/lumivex. Writes OUTDIR/messages.png,
# countdown.png, birthday.png, world-time.png and contact.png (all four).
# Needs Xvfb, xdotool, xrdb and ImageMagick (import, montage).
set -eu

out=${1:?usage: $0 OUTDIR [DPI] [LUMIVEX]}
dpi=${2:-96}
program=${3:-build/host/lumivex}
mkdir -p "$out"
out=$(cd "$out" && pwd)
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

home=$(mktemp -d)
xlog=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$xlog" 2>/dev/null &
xpid=$!
lpid=
cleanup() {
  [ -n "$lpid" ] && kill "$lpid" 2>/dev/null || true
  kill "$xpid" 2>/dev/null || true
  rm -rf "$home" "$xlog"
}
trap cleanup EXIT INT TERM
for _ in $(seq 100); do [ -s "$xlog" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$xlog")
export DISPLAY
echo "Xft.dpi: $dpi" | xrdb -merge
# GTK without a settings daemon takes the text scale from the environment.
GDK_DPI_SCALE=$(awk -v d="$dpi" 'BEGIN { printf "%.3f", d / 96 }')
export GDK_DPI_SCALE

# A later run with a book of three further messages, one for each dialog.
cat >"$home/Lumivex.ini" <<'EOF'
[params]
FirstTime="0"
Jokes="0"
[Messages]
Message___0="Good night, moon"
BottomLine0="and good night, stars"
Message___1="HEART"
BottomLine1="and love"
Message___2="BIRTHDAY FROM 1980 5 17"
BottomLine2="Just don't spare it"
Message___3="TIME 7.0 LDST  iLoc21 iWor47"
BottomLine3="The time where my sister lives"
[CDCounter]
Year="2030"
Month="12"
Day="31"
Hour="23"
Min="59"
EOF

LUMIVEX_HOME=$home LUMIVEX_DISPLAY=x11 SDL_AUDIODRIVER=dummy "$program" /c 2>/dev/null &
lpid=$!

wait_for() {
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  echo "no window '$1'" >&2
  return 1
}

# The centre of a control of the messages page on the screen. The sheet is
# 322 x 301 dialog units with the page at (11, 25); the arguments are the
# control's x, y, width and height in the page's template.
click_page() {
  eval "$(xdotool getwindowgeometry --shell "$sheet")"
  px=$(awk -v w="$WIDTH" -v x="$1" -v cx="$3" -v o="$X" 'BEGIN { printf "%d", o + (11 + x + cx / 2) * w / 322 }')
  py=$(awk -v h="$HEIGHT" -v y="$2" -v cy="$4" -v o="$Y" 'BEGIN { printf "%d", o + (25 + y + cy / 2) * h / 301 }')
  xdotool mousemove --sync "$px" "$py" click 1
}

shoot_dialog() {
  id=$(wait_for "$1")
  sleep 0.8
  import -window "$id" "$out/$2"
  xdotool windowfocus --sync "$id" key Escape
  sleep 0.4
}

main=$(wait_for 'Lumivex v3.08')
sleep 1
xdotool windowfocus --sync "$main" key --clearmodifiers alt+o
sheet=$(wait_for 'Lumivex v3.08 - Much More Options')
sleep 1
import -window "$sheet" "$out/messages.png"

click_page 15 167 63 14   # Countdown
shoot_dialog 'Countdown Timer' countdown.png
click_page 97 27 18 14    # >
sleep 0.3
click_page 84 167 63 14   # Day Counter
shoot_dialog 'Please enter your Birthday' birthday.png
click_page 97 27 18 14    # >
sleep 0.3
click_page 222 167 63 14  # World Time
shoot_dialog 'World time view' world-time.png

# The sheet's Cancel, then the main page's.
xdotool windowfocus --sync "$sheet" key Escape || true
sleep 0.3
xdotool windowfocus --sync "$main" key Escape || true
wait "$lpid" || true
lpid=

montage "$out/messages.png" "$out/countdown.png" "$out/birthday.png" "$out/world-time.png" \
  -tile 2x2 -geometry +12+12 -background '#d8dbe8' "$out/contact.png"
echo "$out"
