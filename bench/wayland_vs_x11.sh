#!/usr/bin/env bash
# What Dovel costs as a Wayland client of sway's headless backend, beside
# the same window through X11 on Xvfb: CPU seconds per wall second of
# Dovel and of the display server, and frames per second, at the default
# 60 Hz tick, with the default settings in a 1280x720 window. Not part of
# CI; needs sway and xvfb (tools/setup.sh installs both). As root, sway and
# its client run as the unprivileged user the Wayland tests use.
# Usage: bash bench/wayland_vs_x11.sh [SECONDS [ROUNDS]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
rounds=${2:-3}
warmup=5
dovel=$(realpath "${DOVEL_BUILD_DIR:-build}/bin/dovel")
user=dovel-wltest

work=$(mktemp -d)
chmod 755 "$work"
server_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -shared -fPIC -o "$work/swap_counter.so" bench/swap_counter.c -ldl
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
  as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups --)
fi

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
count() { od -An -t u8 "$1" | tr -d ' '; }
now() { awk '{print $1}' /proc/uptime; }
results="$work/results"

# measure NAME COMMAND...: the program's and the server's CPU and frames.
measure() {
  local name=$1
  shift
  local counter="$work/counter-$RANDOM"
  : >"$counter"
  chmod 666 "$counter"
  env SWAP_COUNT_FILE="$counter" LD_PRELOAD="$work/swap_counter.so" "$@" >"$work/program.log" 2>&1 &
  program_pid=$!
  sleep "$warmup"
  local pid
  pid=$(pgrep -n -f "^$dovel" || echo "$program_pid")
  local c0 t0 x0 w0 c1 t1 x1 w1
  c0=$(count "$counter"); t0=$(cpu_ticks "$pid"); x0=$(cpu_ticks "$server_pid"); w0=$(now)
  sleep "$seconds"
  c1=$(count "$counter"); t1=$(cpu_ticks "$pid"); x1=$(cpu_ticks "$server_pid"); w1=$(now)
  kill "$pid" "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$((c1 - c0))" "$((t1 - t0))" "$((x1 - x0))" \
    "$(awk -v a="$w0" -v b="$w1" 'BEGIN { print b - a }')" >>"$results"
}

prefs="$work/qvDovelSS.toml"  # none: the default settings
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$rounds"); do
  # sway, one headless output of 1280x720, the window tiled over all of it.
  mkdir -m 700 "$work/runtime"
  printf 'xwayland disable\ndefault_border none\noutput HEADLESS-1 resolution 1280x720\n' >"$work/sway.cfg"
  [ ${#as_user[@]} -gt 0 ] && chown -R "$user" "$work/runtime"
  env XDG_RUNTIME_DIR="$work/runtime" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
    WLR_LIBINPUT_NO_DEVICES=1 "${as_user[@]}" sway -c "$work/sway.cfg" >"$work/sway.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do ls "$work/runtime" | grep -qE '^wayland-[0-9]$' && break; sleep 0.2; done
  socket=$(ls "$work/runtime" | grep -E '^wayland-[0-9]$' | head -1)
  server_pid=$(pgrep -n -x sway)
  measure "sway (Wayland): dovel -window" env XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY="$socket" DISPLAY= \
    "${as_user[@]}" "$dovel" -window -size 1280x720 -prefs "$prefs"
  kill "$server_pid"; sleep 1; rm -rf "$work/runtime"

  exec 3<> <(:)
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  server_pid=$!
  read -r -t 20 number <&3 || { echo "bench: Xvfb did not start" >&2; exit 1; }
  exec 3<&-
  measure "Xvfb (X11): dovel -x11 -window" env DISPLAY=":$number" WAYLAND_DISPLAY= \
    "$dovel" -x11 -window -size 1280x720 -prefs "$prefs"
  kill "$server_pid"; wait "$server_pid" 2>/dev/null || true
done
server_pid=""
echo "1280x720, llvmpipe; $rounds rounds of $seconds s each after $warmup s of warm-up;"
echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Display server | CPU s/s (dovel) | CPU s/s (server) | frames/s | CPU ms per frame |"
echo "|---|---|---|---|---|"
awk -F '\t' -v hz="$(getconf CLK_TCK)" '
  { if (!($1 in w)) order[n++] = $1; c[$1] += $2; t[$1] += $3; x[$1] += $4; w[$1] += $5 }
  END { for (i = 0; i < n; i++) { k = order[i]
          printf "| %s | %.2f | %.2f | %.1f | %.1f |\n", k, t[k] / hz / w[k], x[k] / hz / w[k], c[k] / w[k],
                 (c[k] > 0 ? 1000 * t[k] / hz / c[k] : 0) } }' "$results"
