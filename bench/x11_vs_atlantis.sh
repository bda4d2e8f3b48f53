#!/usr/bin/env bash
# Dovel in a 1280x720 window at its default pace (30 frames a second at
# most on a software renderer) beside XScreenSaver's atlantis at its default
# delay, one after the other on the same Xvfb with Mesa's llvmpipe: CPU
# seconds per wall second (of the program, and of the X server that
# receives its frames), presented frames per second, CPU per frame and the
# program's peak resident memory.
# Frames are counted by bench/swap_counter.c, preloaded into each program.
# The two take turns for ROUNDS rounds of SECONDS each (after 5 seconds of
# warm-up per turn), so that a change in the machine's load falls on both.
# Not part of CI. Needs xvfb and xscreensaver-gl-extra (atlantis):
#   apt-get install xvfb xscreensaver-gl-extra
# Usage: bash bench/x11_vs_atlantis.sh [SECONDS [ROUNDS]] (default 20 and 3);
# DOVEL_BUILD_DIR names the build (default build); DOVEL_BEFORE names another
# dovel binary to measure in the same rounds (an older build, for before and after).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
rounds=${2:-3}
warmup=5
dovel=${DOVEL_BUILD_DIR:-build}/bin/dovel
atlantis=/usr/libexec/xscreensaver/atlantis
for need in "$dovel" "$atlantis" "$(command -v Xvfb || true)"; do
  [ -n "$need" ] && [ -x "$need" ] || { echo "bench: missing ${need:-Xvfb}" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -shared -fPIC -o "$work/swap_counter.so" bench/swap_counter.c -ldl

# An X server of our own; -displayfd tells its number once it is ready.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 number <&3 || { echo "bench: Xvfb did not start" >&2; exit 1; }
exec 3<&-
export DISPLAY=":$number" LIBGL_ALWAYS_SOFTWARE=1

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
count() { od -An -t u8 "$1" | tr -d ' '; }
now() { awk '{print $1}' /proc/uptime; }

# Runs one program for warm-up plus the measured seconds; adds a line
# "name<TAB>frames<TAB>program ticks<TAB>server ticks<TAB>seconds<TAB>peak kB"
# to results (the peak resident size, VmHWM, at the end of the window).
results="$work/results"
measure() {
  local name=$1
  shift
  local counter="$work/$name.count"
  SWAP_COUNT_FILE=$counter LD_PRELOAD="$work/swap_counter.so" "$@" >"$work/$name.log" 2>&1 &
  program_pid=$!
  sleep "$warmup"
  local c0 t0 x0 w0 c1 t1 x1 w1 hz
  c0=$(count "$counter"); t0=$(cpu_ticks "$program_pid"); x0=$(cpu_ticks "$xvfb_pid"); w0=$(now)
  sleep "$seconds"
  c1=$(count "$counter"); t1=$(cpu_ticks "$program_pid"); x1=$(cpu_ticks "$xvfb_pid"); w1=$(now)
  local peak
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$program_pid/status")
  kill "$program_pid"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$((c1 - c0))" "$((t1 - t0))" "$((x1 - x0))" \
    "$(awk -v a="$w0" -v b="$w1" 'BEGIN { print b - a }')" "$peak" >>"$results"
}

prefs="$work/qvDovelSS.toml"  # a fresh file: the default settings
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$rounds"); do
  measure "dovel -window -size 1280x720" "$dovel" -window -size 1280x720 -prefs "$prefs"
  measure "dovel -window -size 1280x720 -max-fps 60" "$dovel" -window -size 1280x720 -max-fps 60 -prefs "$prefs"
  measure "atlantis -window -geometry 1280x720" "$atlantis" -window -geometry 1280x720
  if [ -n "${DOVEL_BEFORE:-}" ]; then
    measure "dovel (before) -window -size 1280x720" "$DOVEL_BEFORE" -window -size 1280x720 -prefs "$prefs"
  fi
done
echo "1280x720 window on Xvfb, llvmpipe; $rounds rounds of $seconds s each after $warmup s of warm-up;"
echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Program | CPU s/s (program) | CPU s/s (X server) | CPU s/s (both) | frames/s | CPU ms per frame (program) | CPU ms per frame (both) | peak RSS MB |"
echo "|---|---|---|---|---|---|---|---|"
awk -F '\t' -v hz="$(getconf CLK_TCK)" '
  { if (!($1 in w)) order[n++] = $1; c[$1] += $2; t[$1] += $3; x[$1] += $4; w[$1] += $5
    if ($6 > p[$1]) p[$1] = $6 }
  END { for (i = 0; i < n; i++) { k = order[i]
          printf "| %s | %.2f | %.2f | %.2f | %.1f | %.1f | %.1f | %.1f |\n", k, t[k] / hz / w[k], x[k] / hz / w[k],
                 (t[k] + x[k]) / hz / w[k], c[k] / w[k], (c[k] > 0 ? 1000 * t[k] / hz / c[k] : 0),
                 (c[k] > 0 ? 1000 * (t[k] + x[k]) / hz / c[k] : 0), p[k] / 1024 } }' "$results"
