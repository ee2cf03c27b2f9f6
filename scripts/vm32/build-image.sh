#!/usr/bin/env bash
# Builds the machine the 32-bit Windows build runs on, from Debian's packages
# only, and keeps it outside the clone (default /var/cache/korvex-vm32, or
# $KORVEX_VM32_CACHE):
#
#   scripts/vm32/build-image.sh
#
# The machine's kernel here cannot run 32-bit x86 code, so Wine's 32-bit side
# cannot run on it.  This builds a Debian 12 system that runs under
# qemu-system-x86_64 in software emulation, on Debian's own kernel, which
# runs 32-bit code: debootstrap of bookworm with linux-image-amd64, wine,
# wine64 and wine32:i386 (the i386 architecture is added inside that root
# only, never on this machine), Xvfb, the es_AR.UTF-8 locale and ctest.
# Then it boots it once and makes the Wine prefix every session starts from
# (a new prefix with the 32-bit side takes minutes of wineboot there).
#
# Cached: root/, image.raw, vmlinuz and initrd.img carry a stamp of this
# recipe (this script, vm-init, the package list); a second run with the same
# recipe does nothing.  Run as root.  Installs qemu-system-x86, qemu-utils
# and debootstrap when they are missing (the campaign needs them, CI does not).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${KORVEX_VM32_CACHE:-/var/cache/korvex-vm32}
suite=bookworm
# Inside the machine's root only.
packages=(
  linux-image-amd64 initramfs-tools kmod procps iproute2 busybox
  wine wine64 wine32:i386 libwine:i386 fonts-wine
  xvfb xauth x11-utils locales
  # what the test scripts use beside Wine: ctest, strings, import (screenshots)
  cmake binutils imagemagick file
)

[[ $(id -u) -eq 0 ]] || { echo "build-image: run as root (debootstrap, chroot, mounts)" >&2; exit 1; }

"$here/host-tools.sh"

recipe=$( { cat "$0" "$here/vm-init"; printf '%s\n' "${packages[@]}"; } | sha256sum | cut -c1-16)
stamp=$cache/image.stamp
template_stamp=$cache/template.stamp
mkdir -p "$cache"

now() { date +%s; }
if [[ -f "$stamp" && "$(cat "$stamp")" == "$recipe" && -f "$cache/image.raw" ]]; then
  echo "build-image: the image of this recipe is there ($cache/image.raw, $recipe)"
else
  begin=$(now)
  root=$cache/root
  rm -f "$stamp" "$template_stamp" "$cache/image.raw"
  # A root left by an interrupted run may still have its mounts.
  for sub in proc sys dev; do umount "$root/$sub" 2>/dev/null || true; done
  rm -rf "$root"
  mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  [[ -n "$mirror" ]] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
  [[ -n "$mirror" ]] || { echo "build-image: no Debian mirror in this machine's apt sources" >&2; exit 1; }
  echo "build-image: debootstrap $suite from $mirror"
  debootstrap --variant=minbase --include=ca-certificates "$suite" "$root" "$mirror"
  echo "build-image: debootstrap took $(( $(now) - begin )) s"

  # No service starts inside the chroot.
  printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
  mount --bind /proc "$root/proc"
  mount --bind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  trap 'for sub in proc sys dev; do umount "$root/$sub" 2>/dev/null || true; done' EXIT
  cat > "$root/tmp/setup.sh" <<IN
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LC_ALL=C
dpkg --add-architecture i386
apt-get update -q
apt-get install -y -q --no-install-recommends ${packages[*]}
printf 'es_AR.UTF-8 UTF-8\nen_US.UTF-8 UTF-8\n' > /etc/locale.gen
locale-gen
# The initramfs only has to find an ext4 root on a virtio disk.
printf 'virtio_pci\nvirtio_blk\next4\n' >> /etc/initramfs-tools/modules
sed -i 's/^MODULES=.*/MODULES=list/; s/^COMPRESS=.*/COMPRESS=gzip/' /etc/initramfs-tools/initramfs.conf
update-initramfs -u -k all
apt-get clean
rm -rf /var/lib/apt/lists/*
IN
  chroot "$root" /bin/bash /tmp/setup.sh
  rm "$root/tmp/setup.sh"
  for sub in proc sys dev; do umount "$root/$sub"; done
  trap - EXIT
  install -m 0755 "$here/vm-init" "$root/sbin/korvex-vm-init"
  echo 'korvex-vm32' > "$root/etc/hostname"
  cp -L "$root/vmlinuz" "$cache/vmlinuz"
  cp -L "$root/initrd.img" "$cache/initrd.img"
  echo "build-image: root set up after $(( $(now) - begin )) s ($(du -sh "$root" | cut -f1))"

  # Room for a session's prefix beside the template (1.3 GB each).
  used_mb=$(du -sm "$root" | cut -f1)
  truncate -s $((used_mb + 6144))M "$cache/image.raw"
  mkfs.ext4 -q -F -L korvex-vm32 -d "$root" "$cache/image.raw"
  echo "$recipe" > "$stamp"
  echo "build-image: image made after $(( $(now) - begin )) s"
fi

if [[ -f "$template_stamp" && "$(cat "$template_stamp")" == "$recipe" ]]; then
  echo "build-image: the template Wine prefix is there"
  exit 0
fi
# The prefix every session copies: a 64-bit prefix with its 32-bit side
# (syswow64), made once, then a first 32-bit program started in it.
job=$(mktemp "${TMPDIR:-/tmp}/korvex-vm32-template.XXXXXX")
cat > "$job" <<'IN'
#!/bin/bash
set -u
export WINEPREFIX=/var/lib/korvex-vm32/prefix-template LANG=es_AR.UTF-8 WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
TIMEFORMAT='%R s'
echo "== wineboot --init (64-bit prefix with its 32-bit side)"
time xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  /usr/lib/wine/wine64 wineboot --init && /usr/lib/wine/wineserver -w &&
  /usr/lib/wine/wine C:\\windows\\syswow64\\reg.exe query "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion" /v CurrentVersion &&
  /usr/lib/wine/wineserver -w' || exit 1
[[ -f "$WINEPREFIX/system.reg" && -d "$WINEPREFIX/drive_c/windows/syswow64" ]] || exit 1
du -sh "$WINEPREFIX"
IN
echo "build-image: booting the machine once to make the template Wine prefix (several minutes)"
status=0
"$here/run-vm.sh" --persist --timeout 2400 --no-share "$job" || status=$?
rm -f "$job"
[[ $status -eq 0 ]] || { echo "build-image: the template prefix could not be made ($status)" >&2; exit 1; }
echo "$recipe" > "$template_stamp"
echo "build-image: ready"
