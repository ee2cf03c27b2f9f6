#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian (12, "bookworm")
# or a derivative, then generates the es_AR.UTF-8 locale.  Safe to run again:
# when every package is already installed, apt is not touched at all.
#
# Runs as root, or through sudo.  A failing "apt-get update" (a mirror that
# is down) is retried and then ignored: the installation is tried with the
# package lists that are there.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

packages=(
  # build
  cmake ninja-build g++ ccache
  # tests, benchmarks, fuzzers
  libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-14-dev
  # zlib's crc32 cross-checks the query protocol's checksum in a native test
  zlib1g-dev
  # the Windows builds
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  # running them: 64-bit Wine, a virtual display; widl (wine64-tools) builds
  # the type libraries from the IDL files of libwine-dev and Wine's stdole2.tlb
  wine wine64 wine64-tools libwine-dev xvfb xauth
  # the Spanish locale the Wine tests run in
  locales
  # the installer (makensis); the demo's and the README's screenshots
  nsis imagemagick
  # the validation report's page opened in a real browser (tests/browser)
  chromium
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ "$status" == installed ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
else
  echo "install-deps: installing ${missing[*]}"
  as_root=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  updated=false
  for attempt in 1 2 3; do
    if "${as_root[@]}" apt-get update -q </dev/null; then
      updated=true
      break
    fi
    echo "install-deps: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 5))
  done
  $updated || echo "install-deps: continuing with the package lists at hand" >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q -o Dpkg::Options::=--force-confold "${missing[@]}" </dev/null
fi

"$here/ensure-locale.sh"
