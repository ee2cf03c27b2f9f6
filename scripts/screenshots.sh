#!/usr/bin/env bash
# Regenerates the screenshots the README shows: runs the end-to-end tests
# (tests/wine/robot_e2e_test.sh, tests/wine/robot_manage_test.sh) in a Wine
# session with their screenshots on and keeps the pictures in
# docs/screenshots:
#
#   scripts/screenshots.sh [BUILD_DIR]      (default: build/win64)
#
# The replica over the host's dialog, the confirmation, CInputDlg,
# COptionsDlg, the new-profile dialog, the two reports, the tray menu, and
# the management dialogs (delete, answers, the export and import
# selections, configuration with its folder browser, about), each cropped
# around its window.  Needs ImageMagick (import).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
out=$root/docs/screenshots
command -v import >/dev/null || { echo "screenshots: ImageMagick's import is missing" >&2; exit 1; }

shots=$(mktemp -d "${TMPDIR:-/tmp}/korvex-shots.XXXXXX")
trap 'rm -rf "$shots"' EXIT
for test in robot_e2e_test.sh robot_manage_test.sh; do
  KORVEX_SHOTS_DIR=$shots "$root/scripts/wine-session.sh" \
    "$root/tests/wine/$test" "$build/bin" "$build/tools/kvxtool/kvxtool.exe"
done

mkdir -p "$out"
for name in replica confirm input options create-profile select-profile messages-report \
            actions-report tray-menu delete-profile delete-confirm answers export-select \
            import-select config choose-folder about; do
  [[ -f "$shots/$name.png" ]] || { echo "screenshots: $name.png was not taken" >&2; exit 1; }
  # Without the time of taking, so that an unchanged picture stays unchanged.
  convert "$shots/$name.png" -strip "$out/$name.png"
done
echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
