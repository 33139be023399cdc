#!/usr/bin/env bash
# How long `bash scripts/start` takes from a fresh clone to LumClient's main dialog on screen:
#   cold   a fresh clone with an empty compiler cache
#   warm   a second fresh clone with the cache the first one filled
#   again  the second clone started once more with nothing changed
# Under Xvfb with a notification area; the program runs with a temporary working directory and
# home, asks only a loopback port, and is ended once its main dialog shows.
#   bench/start_bench.sh [REV]     (default HEAD: the committed tree of this checkout)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rev=${1:-HEAD}
for tool in Xvfb trayer xdotool ccache git; do
  command -v "$tool" >/dev/null || { echo "start_bench: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --widthtype pixel --width 48 --height 28 >/dev/null 2>&1 &
pids+=($!)

export CCACHE_DIR="$tmp/ccache" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# Nothing listens there: the start-up compare fails at once and no packet leaves the machine.
export TIKO3_PRIMARY_SERVER=127.0.0.1:9 TIKO3_SECONDARY_SERVER=127.0.0.1:9

clone() {  # clone NAME: a fresh clone of REV
  git clone -q --no-hardlinks "$root" "$tmp/$1"
  git -C "$tmp/$1" checkout -q "$rev"
}

children_cpu() {  # CPU seconds (user + system) of every child this shell reaped so far
  times >"$tmp/times"  # in this shell: a command substitution would count its own children
  tail -n 1 "$tmp/times" | awk '{ gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4 }'
}

timed_start() {  # timed_start NAME: "WALL CPU", seconds from `scripts/start` to the main dialog shown
  local began shown client cpu
  children_cpu >"$tmp/cpu"
  cpu=$(cat "$tmp/cpu")
  began=$(date +%s.%N)
  bash "$tmp/$1/scripts/start" --workdir "$tmp/work-$1" >"$tmp/$1.log" 2>&1 &
  client=$!
  if ! timeout 1800 xdotool search --sync --onlyvisible --name '^TIKo3$' >/dev/null 2>&1; then
    echo "start_bench: no main dialog from $1 (log: $(tail -n 5 "$tmp/$1.log"))" >&2
    kill "$client" 2>/dev/null || true
    exit 1
  fi
  shown=$(date +%s.%N)
  kill -TERM "$client" 2>/dev/null || true
  wait "$client" 2>/dev/null || true
  # The next start must not meet this one's single-instance lock or window.
  for _ in $(seq 100); do xdotool search --onlyvisible --name '^TIKo3$' >/dev/null 2>&1 || break; sleep 0.1; done
  children_cpu >"$tmp/cpu"
  echo "$began $shown $cpu $(cat "$tmp/cpu")" | awk '{ printf "%.1f s, %.1f CPU s", $2 - $1, $4 - $3 }'
}

echo "start_bench: $(git -C "$root" rev-parse --short "$rev"), $(nproc) cores"
clone first
timed_start first >"$tmp/figure"
echo "cold   $(cat "$tmp/figure")  (fresh clone, empty compiler cache)"
clone second
timed_start second >"$tmp/figure"
echo "warm   $(cat "$tmp/figure")  (fresh clone, filled compiler cache)"
timed_start second >"$tmp/figure"
echo "again  $(cat "$tmp/figure")  (same clone, nothing changed)"
