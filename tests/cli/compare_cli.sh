#!/usr/bin/env bash
# mv2mgr-cli.exe under wine against the Linux mv2mgr-cli: the file commands
# (show, show --json, set, diff, diff --json) on the same images must print
# the same, and set must write the same bytes. Windows ends its lines with
# CR LF on the console; the rest is compared byte for byte.
# Usage: tests/cli/compare_cli.sh LINUX-BUILD WINDOWS-BUILD (WINEPREFIX set, its server up)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 LINUX-BUILD WINDOWS-BUILD" >&2; exit 2; }
linux=$(cd "$1" && pwd)/mv2mgr-cli
windows=$(cd "$2" && pwd)/mv2mgr-cli.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Images of every kind: all zero, all 0xFF, random ones (seeded, so a
# failure can be made again), and one whose messages overflow.
python3 - "$work" <<'PY'
import random, sys
folder = sys.argv[1]
images = {"zero": bytes(256), "ones": bytes([255] * 256)}
for seed in range(12):
    rng = random.Random(seed)
    images[f"random{seed}"] = bytes(rng.randrange(256) for _ in range(256))
over = bytearray(256)
over[17] = 24
for i in range(18, 24):
    over[i] = 24
over[24:] = bytes([0x05] * 231 + [0x85])
images["overflow"] = bytes(over)
# One that passes every check, for set to start from.
valid = bytearray(256)
valid[:17] = bytes([7, 0x23, 9, 7, 50, 10, 20, 12, 23, 5, 0, 15, 50, 48, 0x25, 0x0C, 20])
valid[17] = 24
for i in range(18, 24):
    valid[i] = 0x10
images["valid"] = bytes(valid)
for name, data in images.items():
    with open(f"{folder}/{name}.eep", "wb") as f:
        f.write(data)
PY

passed=0
failed=0
same() { # what, linux output, windows output
  if cmp -s "$2" <(tr -d '\r' <"$3"); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "differs: $1" >&2
    diff <(cat "$2") <(tr -d '\r' <"$3") | head -5 >&2 || true
  fi
}
run() { # name, then the arguments with @ for the work folder
  local name=$1 code_l=0 code_w=0
  shift
  local l=() w=()
  for a in "$@"; do
    l+=("${a//@/$work}")
    w+=("${a//@/Z:$work}")
  done
  "$linux" "${l[@]}" >"$work/$name.l.out" 2>"$work/$name.l.err" || code_l=$?
  wine "$windows" "${w[@]}" >"$work/$name.w.out" 2>"$work/$name.w.err" || code_w=$?
  same "$name: output" "$work/$name.l.out" "$work/$name.w.out"
  echo "$code_l" >"$work/$name.l.code"
  echo "$code_w" >"$work/$name.w.code"
  same "$name: exit status" "$work/$name.l.code" "$work/$name.w.code"
}

for file in "$work"/*.eep; do
  name=$(basename "$file" .eep)
  run "show $name" show "@/$name.eep"
  run "show --json $name" show "@/$name.eep" --json
  run "diff $name" diff "@/zero.eep" "@/$name.eep"
  run "diff --json $name" diff "@/$name.eep" "@/ones.eep" --json
done
# set: the same refusals, and the same bytes written.
for assignment in "Weight=55" "Keyer Mode=Iambic A" "Swap=on" "Message 1=cq test de dl1abc" "Weight=95" "Message 2=é"; do
  code_l=0 code_w=0
  "$linux" set "$work/valid.eep" "$assignment" "Sidetone Hz=571" -o "$work/set-l.eep" \
    >"$work/set.l.out" 2>&1 || code_l=$?
  wine "$windows" set "Z:$work/valid.eep" "$assignment" "Sidetone Hz=571" -o "Z:$work/set-w.eep" \
    >"$work/set.w.out" 2>&1 || code_w=$?
  sed -i "s|Z:$work|$work|g" "$work/set.w.out"
  same "set $assignment: what it says" "$work/set.l.out" "$work/set.w.out"
  echo "$code_l" >"$work/set.l.code"
  echo "$code_w" >"$work/set.w.code"
  same "set $assignment: exit status" "$work/set.l.code" "$work/set.w.code"
  if [ "$code_l" -eq 0 ]; then
    if cmp -s "$work/set-l.eep" "$work/set-w.eep"; then passed=$((passed + 1)); else
      failed=$((failed + 1))
      echo "differs: set $assignment: the file written" >&2
    fi
  fi
  rm -f "$work/set-l.eep" "$work/set-w.eep"
done
echo "cli under wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
