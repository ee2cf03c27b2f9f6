#!/usr/bin/env bash
# Installs what the 32-bit campaign needs on this machine and CI never does:
# the emulator (qemu-system-x86), its tools (qemu-utils) and debootstrap.
set -euo pipefail
missing=()
for package in qemu-system-x86 qemu-utils debootstrap e2fsprogs; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ "$status" == installed ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "vm32: installing ${missing[*]}"
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q </dev/null || true
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" </dev/null
