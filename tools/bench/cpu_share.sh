#!/usr/bin/env bash
# CPU share of a running saver together with the X server that shows it.
#
# Every measurement gets a fresh private Xvfb of the given size: the saver
# runs for a warm-up, then the CPU time of the saver and of the X server is
# taken over the measuring period, and the saver's peak resident memory at
# the end. Shares are of one core. With several runs the programs take turns
# (run 1 of each, then run 2 of each ...) so that a busy moment of the machine
# does not fall on one program only, and the table shows the medians.
#
# Usage: tools/bench/cpu_share.sh [options] [path/to/lumivex]
#   --peers            also measure the XScreenSaver hacks noseguy and galaxy
#                      (Debian xscreensaver-data, xscreensaver-data-extra), run
#                      with -root from /usr/libexec/xscreensaver
#   --also LABEL=PATH  also measure another lumivex build (e.g. an older one)
#   --sizes "WxH ..."  screen sizes (default 1920x1080)
#   --seconds N        measuring period (default 40)
#   --warmup N         seconds before measuring (default 5)
#   --runs N           runs of each program per size (default 1)
# The old form `cpu_share.sh [path/to/lumivex] [seconds]` still works.
set -euo pipefail

bin=build/host/lumivex
secs=40
warmup=5
runs=1
sizes=1920x1080
peers=0
labels=()
commands=()
hackdir=/usr/libexec/xscreensaver
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --peers) peers=1 ;;
    --also)
      shift
      labels+=("${1%%=*}")
      commands+=("lumivex:${1#*=}")
      ;;
    --sizes) shift; sizes="$1" ;;
    --seconds) shift; secs="$1" ;;
    --warmup) shift; warmup="$1" ;;
    --runs) shift; runs="$1" ;;
    -h | --help) sed -n '2,21p' "$0"; exit 0 ;;
    *) positional+=("$1") ;;
  esac
  shift
done
[ ${#positional[@]} -ge 1 ] && bin="${positional[0]}"
[ ${#positional[@]} -ge 2 ] && secs="${positional[1]}"

labels=(lumivex "${labels[@]}")
commands=("lumivex:$bin" "${commands[@]}")
if [ "$peers" = 1 ]; then
  for hack in noseguy galaxy; do
    if [ ! -x "$hackdir/$hack" ]; then
      echo "cpu_share: $hackdir/$hack is missing (apt-get install xscreensaver-data xscreensaver-data-extra)" >&2
      exit 1
    fi
    labels+=("$hack")
    commands+=("hack:$hack")
  done
fi
for c in "${commands[@]}"; do
  case "$c" in
    lumivex:*) [ -x "${c#lumivex:}" ] || { echo "cpu_share: ${c#lumivex:} is not a program" >&2; exit 1; } ;;
  esac
done

work=$(mktemp -d)
xpid=
prog=
cleanup() {
  [ -n "$prog" ] && kill "$prog" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
peak_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }

# One measurement; appends "label size program% x% rssMB" to $work/results.
measure() {
  local label="$1" command="$2" size="$3"
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" \
    >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  local disp=":$(cat "$work/display")"
  local home="$work/home-$label"
  mkdir -p "$home"
  case "$command" in
    lumivex:*)
      LUMIVEX_HOME="$home" DISPLAY="$disp" LUMIVEX_DISPLAY=x11 "${command#lumivex:}" /s \
        >/dev/null 2>&1 &
      ;;
    hack:*)
      HOME="$home" DISPLAY="$disp" PATH="$hackdir:$PATH" "${command#hack:}" -root \
        >/dev/null 2>&1 &
      ;;
  esac
  prog=$!
  sleep "$warmup"
  local p0 x0 p1 x1 rss
  p0=$(ticks "$prog")
  x0=$(ticks "$xpid")
  sleep "$secs"
  p1=$(ticks "$prog")
  x1=$(ticks "$xpid")
  rss=$(peak_kb "$prog")
  kill "$prog" 2>/dev/null
  wait "$prog" 2>/dev/null || true
  prog=
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null || true
  xpid=
  awk -v l="$label" -v s="$size" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v hz="$hz" -v t="$secs" \
    -v r="$rss" 'BEGIN { printf "%s %s %.3f %.3f %.1f\n", l, s, 100 * p / hz / t, 100 * x / hz / t, r / 1024 }' \
    | tee -a "$work/results" | awk '{ printf "  %-10s %-10s program %6.2f %%  X server %6.2f %%  peak RSS %6.1f MB\n", $1, $2, $3, $4, $5 }'
}

echo "CPU share of one core over $secs s after a $warmup s warm-up, $runs run(s) each:"
for size in $sizes; do
  for run in $(seq 1 "$runs"); do
    for i in "${!labels[@]}"; do
      measure "${labels[$i]}" "${commands[$i]}" "$size"
    done
  done
done

echo
echo "Medians (program + X server = total; peak RSS of the program):"
printf '| %-10s | %-10s | %9s | %9s | %9s | %11s |\n' size program program 'X server' total 'peak RSS'
printf '|%s|%s|%s|%s|%s|%s|\n' ------------ ------------ ----------- ----------- ----------- -------------
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
for size in $sizes; do
  for label in "${labels[@]}"; do
    rows=$(awk -v l="$label" -v s="$size" '$1 == l && $2 == s' "$work/results")
    [ -n "$rows" ] || continue
    # The run with the median total gives the program and X server columns.
    line=$(echo "$rows" | awk '{ print $3 + $4, $3, $4 }' | sort -n -k1 |
      awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }')
    rss=$(echo "$rows" | awk '{ print $5 }' | median)
    echo "$line" | awk -v l="$label" -v s="$size" -v r="$rss" \
      '{ printf "| %-10s | %-10s | %7.2f %% | %7.2f %% | %7.2f %% | %8.1f MB |\n", s, l, $2, $3, $1, r }'
  done
done
