#!/usr/bin/env bash
# Boots the 32-bit Wine machine (scripts/vm32/build-image.sh) once to run one
# command, and powers it off:
#
#   scripts/vm32/run-vm.sh [--timeout SECONDS] [--env NAME=VALUE]... [--persist]
#                          [--no-share] COMMAND [ARGUMENTS...]
#
# The clone is shared with the machine over 9p at its own path, so paths in
# it (the build trees, ctest's files) are the same inside.  COMMAND runs as
# root from the clone's top, with the output shown here as it comes, and the
# script exits with its status.  Inside, the Wine sessions start from the
# machine's template prefix ($KORVEX_WINE_PREFIX_TEMPLATE) and their time
# limits are multiplied by $KORVEX_TIME_SCALE (default 20 here; Wine work
# runs 14 to 20 times slower under the emulator).
#
#   --timeout SECONDS  the machine is stopped after this long (default 3600)
#   --env NAME=VALUE   one more variable for COMMAND
#   --persist          keep what the command writes to the machine's disk
#                      (only for making the image); by default every boot
#                      starts from the same disk and forgets it afterwards
#   --no-share         do not share the clone (COMMAND is a file of this
#                      machine, copied in)
#
# One machine at a time: it takes both cores.  Software emulation (TCG), with
# SMAP off: QEMU 7.2's TCG reads the stack of a user-mode iretq as a
# supervisor access, so with SMAP the guest kernel oopses on Wine's 64-bit
# return to user mode.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
clone=$(cd "$here/../.." && pwd)
cache=${KORVEX_VM32_CACHE:-/var/cache/korvex-vm32}
limit=3600
persist=false
share=true
envs=("KORVEX_TIME_SCALE=${KORVEX_TIME_SCALE:-20}")
while [[ $# -gt 0 ]]; do
  case $1 in
    --timeout) limit=${2:?}; shift ;;
    --env) envs+=("${2:?}"); shift ;;
    --persist) persist=true ;;
    --no-share) share=false ;;
    --) shift; break ;;
    *) break ;;
  esac
  shift
done
[[ $# -ge 1 ]] || { echo "usage: $0 [--timeout S] [--env N=V]... [--persist] [--no-share] COMMAND [ARGS...]" >&2; exit 2; }
for file in image.raw vmlinuz initrd.img; do
  [[ -f "$cache/$file" ]] || { echo "run-vm: no $cache/$file (scripts/vm32/build-image.sh)" >&2; exit 1; }
done
command -v qemu-system-x86_64 >/dev/null || { echo "run-vm: qemu-system-x86_64 is missing (scripts/vm32/host-tools.sh)" >&2; exit 1; }
if [[ -f "$cache/qemu.pid" ]] && kill -0 "$(cat "$cache/qemu.pid")" 2>/dev/null; then
  echo "run-vm: the machine is already running (pid $(cat "$cache/qemu.pid")); one at a time" >&2
  exit 1
fi

ctl=$(mktemp -d "${TMPDIR:-/tmp}/korvex-vm32-run.XXXXXX")
cleanup() {
  [[ -n "${tailer:-}" ]] && kill "$tailer" 2>/dev/null
  rm -rf "$ctl"
}
trap cleanup EXIT

{
  echo '#!/bin/bash'
  echo 'export HOME=/root TMPDIR=/var/tmp PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin'
  echo 'export KORVEX_WINE_PREFIX_TEMPLATE=/var/lib/korvex-vm32/prefix-template'
  for assignment in "${envs[@]}"; do printf 'export %q\n' "$assignment"; done
  echo 'echo "== machine up at $(cut -d" " -f1 /proc/uptime) s: $(uname -r), $(nproc) processors"'
  if $share; then
    printf 'mkdir -p %q\n' "$clone"
    printf 'mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose src %q || exit 125\n' "$clone"
    printf 'cd %q\n' "$clone"
    printf '%q ' "$@"
    echo
  else
    cp "$1" "$ctl/command"
    chmod +x "$ctl/command"
    shift
    printf '/mnt/ctl/command'
    printf ' %q' "$@"
    echo
  fi
} > "$ctl/job.sh"
chmod +x "$ctl/job.sh"

drive_options=format=raw,if=virtio,cache=unsafe
qemu_args=(
  -accel tcg,thread=multi -smp 2 -m 6G -cpu max,-smap
  -machine pc -nographic -no-reboot -nodefaults -serial "file:$ctl/serial.log"
  -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img"
  -append "console=ttyS0 root=/dev/vda rw init=/sbin/korvex-vm-init quiet loglevel=3 mitigations=off"
  -drive "file=$cache/image.raw,$drive_options"
  -virtfs "local,path=$ctl,mount_tag=ctl,security_model=none,id=ctl"
  -pidfile "$cache/qemu.pid"
)
$persist || qemu_args+=(-snapshot)
$share && qemu_args+=(-virtfs "local,path=$clone,mount_tag=src,security_model=none,id=src")

touch "$ctl/job.log"
tail -n +1 -F "$ctl/job.log" 2>/dev/null &
tailer=$!
begin=$(date +%s.%N)
status=0
timeout --kill-after=20 "$limit" qemu-system-x86_64 "${qemu_args[@]}" || status=$?
sleep 1
kill "$tailer" 2>/dev/null
wait "$tailer" 2>/dev/null || true
tailer=
rm -f "$cache/qemu.pid"
wall=$(awk -v a="$begin" -v b="$(date +%s.%N)" 'BEGIN { printf "%.0f", b - a }')
if [[ -f "$ctl/job.status" ]]; then
  job_status=$(cat "$ctl/job.status")
  echo "run-vm: the command ended with $job_status; the machine ran ${wall} s (up after $(cat "$ctl/job.started") s)"
  exit "$job_status"
fi
echo "run-vm: the command did not finish (qemu ended with $status after ${wall} s); the console's end:" >&2
tail -n 30 "$ctl/serial.log" >&2
exit 1
