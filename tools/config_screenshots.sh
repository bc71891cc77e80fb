#!/bin/sh
# Screenshots of the settings dialog as a user sees it: the main page and
# every page of "Much More Options", on a private Xvfb with the real GTK
# widgets, at the given font resolution.
#
#   tools/config_screenshots.sh OUTDIR [DPI] [LUMIVEX]
#
# DPI defaults to 96; LUMIVEX to build/host/lumivex. Writes OUTDIR/main.png
# and OUTDIR/page-1.png .. page-7.png. Needs Xvfb, xdotool, xrdb and
# ImageMagick's import.
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

# A later run (no sample messages), no running OK button, a message to show.
cat >"$home/Lumivex.ini" <<'EOF'
[params]
FirstTime="0"
Jokes="0"
[Messages]
Message___0="Good night, moon"
BottomLine0="and good night, stars"
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

main=$(wait_for 'Lumivex v3.08')
sleep 1
import -window "$main" "$out/main.png"

# "May I have more &Options ?"
xdotool windowfocus --sync "$main" key --clearmodifiers alt+o
sheet=$(wait_for 'Lumivex v3.08 - Much More Options')
sleep 1
for page in 1 2 3 4 5 6 7; do
  import -window "$sheet" "$out/page-$page.png"
  xdotool windowfocus --sync "$sheet" key --clearmodifiers ctrl+Next
  sleep 0.6
done
xdotool windowfocus --sync "$sheet" key Escape 2>/dev/null || true
sleep 0.3
xdotool windowfocus --sync "$main" key Escape 2>/dev/null || true
wait "$lpid" || true
lpid=
echo "$out"
