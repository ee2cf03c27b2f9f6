#!/usr/bin/env bash
# The validation report as a supervisor opens it: kvxtool report over an
# office's journals (journal_maker, written by the robot's own journal),
# the page loaded by headless Chromium, its figures read back from the
# browser's DOM and compared with what was written, and a screenshot taken.
#
#   tests/browser/report_browser_test.sh KVXTOOL JOURNAL_MAKER
#
# Run by ctest (label "browser").  With KORVEX_SHOTS_DIR set, the screenshot
# is kept there as report.png (the README's picture).  Without Chromium the
# test is skipped (exit 77), except under CI, where it fails: CI installs it
# (scripts/install-deps.sh).
set -uo pipefail

kvxtool=${1:?usage: $0 KVXTOOL JOURNAL_MAKER}
maker=${2:?usage: $0 KVXTOOL JOURNAL_MAKER}

browser=$(command -v chromium || command -v chromium-browser || true)
if [[ -z "$browser" ]]; then
  echo "report_browser_test: Chromium is not installed (package chromium)"
  [[ "${CI:-}" == true ]] && exit 1
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-report-browser.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
checks=0
check() {  # check WHAT COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

# Chromium as root in a container: no sandbox, no GPU, nothing fetched, a
# profile of its own that is thrown away.
chromium_run() {  # chromium_run ARGUMENTS... (the page last)
  timeout 90 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$work/profile.XXXXXX")" "$@" 2>>"$work/chromium.log"
}

# The page's number forms: "1.234", "41,7 %".
grouped() { sed ':a;s/\B[0-9]\{3\}\>/.&/;ta' <<<"$1"; }
percent() {
  LC_ALL=C awk -v a="$1" -v d="$2" 'BEGIN {
    if (d == 0) { print "—"; exit }
    s = int(1000 * a / d + 0.5) / 10
    if (a != d && s >= 100) s = 99.9
    if (a != 0 && s <= 0) s = 0.1
    t = sprintf("%.1f", s); sub(/\./, ",", t); print t " %" }'
}

"$maker" "$work/registros" > "$work/tally" || { echo "FAILED: journal_maker"; exit 1; }
declare -A tally
while IFS='=' read -r name value; do tally[$name]=$value; done < "$work/tally"
echo "written: ${tally[runs]} runs, ${tally[dialogs]} dialogs, ${tally[automatic]} automatic"

start=$(date +%s.%N)
"$kvxtool" report "$work/registros" -o "$work/informe.html" > "$work/out" 2> "$work/err"
status=$?
check "kvxtool report exits 0 (exit $status)" test "$status" -eq 0
check "kvxtool report names the file that is not a journal" grep -q '260309_120000_IDENT.csv: no es un registro' "$work/err"

chromium_run --dump-dom "file://$work/informe.html" > "$work/dom.html"
status=$?
seconds=$(LC_ALL=C awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
check "Chromium loads the page (exit $status)" test "$status" -eq 0
check "the page's heading is in the DOM" grep -q '<h1>Informe de validaciones</h1>' "$work/dom.html"

in_dom() {  # in_dom WHAT TEXT: the text is in the DOM the browser built
  check "$1: $2" grep -qF -- "$2" "$work/dom.html"
}
in_dom "runs" "id=\"resumen-ejecuciones\">$(grouped "${tally[runs]}")<"
in_dom "dialogs" "id=\"resumen-dialogos\">$(grouped "${tally[dialogs]}")<"
in_dom "automatic and manual" \
  "$(grouped "${tally[automatic]}") automáticos, $(grouped "${tally[manual]}") manuales"
in_dom "share answered by the robot" \
  "id=\"resumen-automatico\">$(percent "${tally[automatic]}" "${tally[dialogs]}")<"
hours=$(LC_ALL=C awk -v a="${tally[automatic]}" 'BEGIN { t = sprintf("%.1f", a * 8 / 3600); sub(/\./, ",", t); print t }')
in_dom "hours saved at 8 s an answer" "id=\"resumen-horas\">$hours<"
for profile in "Aduana Norte:aduana_norte" "Exportaciones:exportaciones"; do
  name=${profile%%:*}
  key=${profile#*:}
  in_dom "profile $name" "<tr><td>$name</td><td class=\"n\">$(grouped "${tally[${key}_runs]}")</td><td class=\"n\">$(grouped "${tally[${key}_dialogs]}")</td><td class=\"n\">$(grouped "${tally[${key}_automatic]}")</td><td class=\"n\">$(percent "${tally[${key}_automatic]}" "${tally[${key}_dialogs]}")</td></tr>"
done
in_dom "the chart" '<svg class="chart"'
in_dom "the cut run" 'Sin cierre; archivo cortado'
in_dom "the file that is not a journal" '260309_120000_IDENT.csv'
in_dom "what a person answers most" 'Ingrese el código de la marca, Dato complementario'
check "the page runs no script" bash -c "! grep -qi '<script' '$work/dom.html'"

chromium_run --screenshot="$work/report.png" --window-size=1100,1700 --hide-scrollbars \
  "file://$work/informe.html" > /dev/null
check "Chromium takes a screenshot of the page" bash -c "head -c 8 '$work/report.png' | grep -q PNG"
if [[ -n "${KORVEX_SHOTS_DIR:-}" && -f "$work/report.png" ]]; then
  mkdir -p "$KORVEX_SHOTS_DIR"
  cp "$work/report.png" "$KORVEX_SHOTS_DIR/report.png"
  echo "screenshot: $KORVEX_SHOTS_DIR/report.png"
fi

echo "report and browser: ${seconds} s"
if [[ $failures -ne 0 ]]; then
  echo "--- Chromium's messages"
  tail -20 "$work/chromium.log"
fi
echo "$((checks - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
