#!/bin/sh
# Screenshots of the Sounds, Quotes and Startup pages and of the e-mail
# parameters window as a user sees them: the real program on a private Xvfb
# with the real GTK widgets, with settings that fill every field.
#
#   tools/pages_screenshots.sh OUTDIR [DPI] [LUMIVEX]
#
# DPI defaults to 96; LUMIVEX to build/host/lumivex. Writes OUTDIR/sounds.png,
# quotes.png, startup.png, email.png and pages.png (the four in one picture).
# Needs Xvfb, xdotool, xrdb and ImageMagick (import, montage).
set -eu

out=${1:?usage: $0 OUTDIR [DPI] [LUMIVEX]}
dpi=${2:-96}
program=${3:-build/host/lumivex}
mkdir -p "$out"
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

home=$(mktemp -d)
xlog=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$xlog" 2>/dev/null &
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

# A later run with no running OK button and airplanes off (the shortcut to
# the mail box below turns them on), and something in every field.
cat >"$home/Lumivex.ini" <<'EOF'
[params]
FirstTime="0"
Jokes="0"
[Params]
Airplanes="0"
DisableBR="1"
[Messages]
Message___0="Good night, moon"
BottomLine0="and good night, stars"
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

start() {
  LUMIVEX_HOME=$home LUMIVEX_DISPLAY=x11 SDL_AUDIODRIVER=dummy "$program" /c 2>/dev/null &
  lpid=$!
}
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

# "May I have more &Options ?", then the pages 2 (Sounds), 3 (Quotes) and 5 (Startup).
start
main=$(wait_for 'Lumivex v3.08')
sleep 1
xdotool windowfocus --sync "$main" key --clearmodifiers alt+o
sheet=$(wait_for 'Lumivex v3.08 - Much More Options')
sleep 1
for page in 1 2 3 4 5; do
  case $page in
    2) import -window "$sheet" "$out/sounds.png" ;;
    3) import -window "$sheet" "$out/quotes.png" ;;
    5) import -window "$sheet" "$out/startup.png" ;;
  esac
  xdotool windowfocus --sync "$sheet" key --clearmodifiers ctrl+Next
  sleep 0.6
done
stop

# A fresh run for the mail window: "Some &airplanes" takes the focus, the
# mail box is the next one down, and ticking it opens the window.
start
main=$(wait_for 'Lumivex v3.08')
sleep 1
xdotool windowfocus --sync "$main" key --clearmodifiers alt+a
sleep 0.4
xdotool key --clearmodifiers Tab
sleep 0.4
xdotool key --clearmodifiers space
mail=$(wait_for 'E-mail parameters')
sleep 1
import -window "$mail" "$out/email.png"
stop

montage "$out/sounds.png" "$out/quotes.png" "$out/startup.png" "$out/email.png" \
  -tile 2x2 -geometry +8+8 -background '#d0d0d0' "$out/pages.png"
echo "$out"
