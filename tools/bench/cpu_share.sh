#!/usr/bin/env bash
# CPU share of the saver and of the X server while the sky runs: starts a
# private Xvfb at 1920x1080, runs `lumivex /s` for 30 s (after a 5 s settle)
# and prints the share of one core each used.
# Usage: tools/bench/cpu_share.sh [path/to/lumivex] [seconds]
set -euo pipefail
bin="${1:-build/host/lumivex}"
secs="${2:-30}"
home=$(mktemp -d)
trap 'kill $saver $xpid 2>/dev/null; rm -rf "$home"' EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$home/display" >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 1 50); do [ -s "$home/display" ] && break; sleep 0.1; done
disp=":$(cat "$home/display")"

LUMIVEX_HOME="$home" DISPLAY="$disp" LUMIVEX_DISPLAY=x11 "$bin" /s >/dev/null 2>&1 &
saver=$!
sleep 5

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
s0=$(ticks $saver); x0=$(ticks $xpid)
sleep "$secs"
s1=$(ticks $saver); x1=$(ticks $xpid)
awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v hz="$hz" -v t="$secs" 'BEGIN {
  printf "over %d s at 1920x1080: lumivex %.1f %% of one core, Xvfb %.1f %%\n", t, 100 * s / hz / t, 100 * x / hz / t }'
