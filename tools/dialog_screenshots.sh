#!/bin/sh
# Screenshots of the settings dialog as a user sees it: the real program on
# a private Xvfb with the real GTK widgets, driven with xdotool.
#
#   tools/dialog_screenshots.sh MODE OUTDIR [DPI] [PROGRAM]
#
# MODE is one of
#   pages     the main page and every page of "Much More Options":
#             main.png, page-1.png .. page-7.png and pages.png (the seven pages)
#   filled    the Sounds, Quotes and Startup pages and the e-mail parameters
#             window with something in every field: sounds.png, quotes.png,
#             startup.png, email.png and filled.png (the four)
#   messages  the messages page and the dialogs behind its live-value buttons:
#             messages.png, countdown.png, birthday.png, world-time.png and
#             contact.png (the four)
#   layouts   every dialog template with sample text, shown by
#             lumivex_dialogshot: main.png, sheet-0.png .. sheet-6.png,
#             countdown.png, birthday.png, email.png, world-time.png and
#             layouts.png (all of them)
#
# DPI defaults to 96; PROGRAM to build/host/lumivex, for layouts to
# build/tools/dialogshot/lumivex_dialogshot. Needs Xvfb, xdpyinfo, xdotool and
# ImageMagick (import, montage).
set -eu

usage="usage: $0 pages|filled|messages|layouts OUTDIR [DPI] [PROGRAM]"
mode=${1:?$usage}
out=${2:?$usage}
dpi=${3:-96}
case $mode in
  pages | filled | messages) program=${4:-build/host/lumivex} ;;
  layouts) program=${4:-build/tools/dialogshot/lumivex_dialogshot} ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
mkdir -p "$out"
out=$(cd "$out" && pwd)
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

home=$(mktemp -d)
xlog=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$xlog" 2>/dev/null &
xpid=$!
lpid=
cleanup() {
  if [ -n "$lpid" ]; then kill "$lpid" 2>/dev/null || true; fi
  kill "$xpid" 2>/dev/null || true
  rm -rf "$home" "$xlog"
}
trap cleanup EXIT INT TERM
for _ in $(seq 100); do [ -s "$xlog" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$xlog")
export DISPLAY
# Listening is not yet answering: wait until a client gets in.
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# GTK without a settings daemon takes the text scale from the environment.
GDK_DPI_SCALE=$(awk -v d="$dpi" 'BEGIN { printf "%.3f", d / 96 }')
export GDK_DPI_SCALE

# The program's settings: a later run (no sample messages) without the
# running OK button, a message to show, and what MODE adds.
settings() {
  cat >"$home/Lumivex.ini" <<'EOF'
[params]
FirstTime="0"
Jokes="0"
[Messages]
Message___0="Good night, moon"
BottomLine0="and good night, stars"
EOF
  cat >>"$home/Lumivex.ini"
}

start() {
  LUMIVEX_HOME=$home LUMIVEX_DISPLAY=x11 SDL_AUDIODRIVER=dummy "$program" /c 2>/dev/null &
  lpid=$!
}
# SIGTERM closes the settings dialog as Cancel does.
stop() {
  kill "$lpid" 2>/dev/null || true
  wait "$lpid" 2>/dev/null || true
  lpid=
}

wait_for() {
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  echo "no window '$1'" >&2
  return 1
}

open_main() {
  main=$(wait_for 'Lumivex v3.08')
  sleep 1
}
# "May I have more &Options ?"
open_sheet() {
  xdotool windowfocus --sync "$main" key --clearmodifiers alt+o
  sheet=$(wait_for 'Lumivex v3.08 - Much More Options')
  sleep 1
}
next_page() {
  xdotool windowfocus --sync "$sheet" key --clearmodifiers ctrl+Next
  sleep 0.6
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

# Pictures in one, `columns` across.
montage_of() {
  columns=$1
  result=$2
  shift 2
  montage "$@" -tile "${columns}x" -geometry +8+8 -background '#d8dbe8' "$out/$result"
}

case $mode in
  pages)
    settings </dev/null
    start
    open_main
    import -window "$main" "$out/main.png"
    open_sheet
    for page in 1 2 3 4 5 6 7; do
      import -window "$sheet" "$out/page-$page.png"
      next_page
    done
    stop
    montage_of 4 pages.png "$out"/page-?.png
    ;;

  filled)
    # Airplanes off: the shortcut to the mail box below turns them on.
    settings <<'EOF'
[Params]
Airplanes="0"
DisableBR="1"
[Sound]
Sound="145"
WavFile="/home/user/Music/rain on the roof.wav"
Cuckoo="1"
[FPicture]
Category="9"
BMPFILE="/home/user/Pictures/owl.bmp"
BANNER="Who? Who? Who is still awake?"
ShowEvery="45"
AutoText="1"
[WallPaper]
Enabled="1"
path="/home/user/Pictures/Wallpapers"
[TimeoutCorrection]
Status="1"
EOF
    cat >"$home/LumivexPrivateSettings.ini" <<'EOF'
[Email]
LoginName="jonah"
PopServer="pop.example.com"
CheckEvery="15"
LAN="1"
Security="2"
EOF
    # The pages 2 (Sounds), 3 (Quotes) and 5 (Startup).
    start
    open_main
    open_sheet
    for page in 1 2 3 4 5; do
      case $page in
        2) import -window "$sheet" "$out/sounds.png" ;;
        3) import -window "$sheet" "$out/quotes.png" ;;
        5) import -window "$sheet" "$out/startup.png" ;;
      esac
      next_page
    done
    stop
    # A fresh run for the mail window: "Some &airplanes" takes the focus, the
    # mail box is the next one down, and ticking it opens the window.
    start
    open_main
    xdotool windowfocus --sync "$main" key --clearmodifiers alt+a
    sleep 0.4
    xdotool key --clearmodifiers Tab
    sleep 0.4
    xdotool key --clearmodifiers space
    mail=$(wait_for 'E-mail parameters')
    sleep 1
    import -window "$mail" "$out/email.png"
    stop
    montage_of 2 filled.png "$out/sounds.png" "$out/quotes.png" "$out/startup.png" \
      "$out/email.png"
    ;;

  messages)
    # A book of three further messages, one for each dialog.
    settings <<'EOF'
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
    start
    open_main
    open_sheet
    import -window "$sheet" "$out/messages.png"
    click_page 15 167 63 14 # Countdown
    shoot_dialog 'Countdown Timer' countdown.png
    click_page 97 27 18 14 # >
    sleep 0.3
    click_page 84 167 63 14 # Day Counter
    shoot_dialog 'Please enter your Birthday' birthday.png
    click_page 97 27 18 14 # >
    sleep 0.3
    click_page 222 167 63 14 # World Time
    shoot_dialog 'World time view' world-time.png
    stop
    montage_of 2 contact.png "$out/messages.png" "$out/countdown.png" "$out/birthday.png" \
      "$out/world-time.png"
    ;;

  layouts)
    "$program" 2003 "$out/main.png" >/dev/null
    for page in 0 1 2 3 4 5 6; do "$program" sheet "$page" "$out/sheet-$page.png" >/dev/null; done
    "$program" 2012 "$out/countdown.png" >/dev/null
    "$program" 2015 "$out/birthday.png" >/dev/null
    "$program" 2016 "$out/email.png" >/dev/null
    "$program" 2020 "$out/world-time.png" >/dev/null
    montage_of 4 layouts.png "$out/main.png" "$out"/sheet-?.png "$out/countdown.png" \
      "$out/birthday.png" "$out/email.png" "$out/world-time.png"
    ;;
esac
echo "$out"
