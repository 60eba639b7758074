#!/usr/bin/env bash
# Runs an example program against a simulator started on a free loopback port:
#   run_example.sh SIMULATOR EXAMPLE [ARGS...]   (the address and port are appended)
set -euo pipefail
sim=$1; example=$2; shift 2
log=$(mktemp)
"$sim" --host 127.0.0.1 --port 0 --time-scale 20 >"$log" 2>&1 &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -f "$log"' EXIT
port=""
for _ in $(seq 1 200); do
  port=$(grep -Eo '127\.0\.0\.1:[0-9]+' "$log" | head -n 1 | cut -d: -f2 || true)
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$log"; exit 1; }
  sleep 0.05
done
[ -n "$port" ] || { cat "$log"; echo "simulator did not report its port"; exit 1; }
"$example" "$@" 127.0.0.1 "$port"
