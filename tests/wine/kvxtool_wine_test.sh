#!/usr/bin/env bash
# kvxtool.exe against Wine's registry: import, list, show, export, a second
# import, check; diff and merge with the store as one side; the report of
# the log folder the robot's settings name.  Run by ctest inside the Wine
# test session:
#
#   tests/wine/kvxtool_wine_test.sh path/to/kvxtool.exe
set -uo pipefail

tool=$(realpath "$1")
exec_=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-exec.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-kvxtool.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
checks=0
# expect NAME EXPECTED-STATUS EXPECTED-OUTPUT-FILE -- ARGUMENTS...
expect() {
  local name=$1 want_status=$2 want=$3
  shift 4
  local status=0
  checks=$((checks + 1))
  "$exec_" "$tool" "$@" > out.txt 2> err.txt || status=$?
  tr -d '\r' < out.txt > got.txt
  if [[ $status -ne $want_status ]] || ! diff -u "$want" got.txt; then
    echo "FAILED: $name (status $status, wanted $want_status)"
    cat err.txt
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
}

key() {
  printf 'class CDynWindow|<>%s|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|class CMetaButton|<>%s|1|' "$1" "$2"
}
press='1|class CPressButton|'
printf 'KORVEX\r\nA\r\n%s\r\n%s\r\n%s\r\n%s\r\n\r\n\r\nB\r\n\r\n\r\n' \
  "$(key dos '&No')" "$press" "$(key uno Aceptar)" "$press" > ab.kvxpf
printf 'KORVEX\r\nA\r\n%s\r\n%s\r\nclass CNada|x|\r\n%s\r\n\r\n\r\n' "$(key uno Aceptar)" "$press" "$press" > broken.kvxpf
printf 'A\r\n\r\n\r\n' > noheader.kvxpf
printf 'KORVEX\r\na\r\n%s\r\n%s\r\n\r\n\r\n' "$(key tres Aceptar)" "$press" > lower.kvxpf

"$exec_" reg.exe delete 'HKCU\Software\Norvane\KORVEX\Store' /f > /dev/null 2>&1 || true

printf 'A\tA\t2\nB\tB\t0\n' > want; expect "import" 0 want -- import ab.kvxpf
printf 'A\t2\nB\t0\n' > want; expect "list" 0 want -- list
printf 'dos, Botón No\tdos\tPresionar No\nuno, Botón Aceptar\tuno\tPresionar Aceptar\n' > want
expect "show" 0 want -- show A
printf 'A\t2\nB\t0\n' > want; expect "export" 0 want -- export back.kvxpf
checks=$((checks + 1))
if ! cmp -s ab.kvxpf back.kvxpf; then
  echo "FAILED: the exported file differs from the imported one"
  failures=$((failures + 1))
fi
# The store as one side of a comparison and of a merge.
printf 'A: el registro\nB: ab.kvxpf\nPerfil "A": igual (2 respuestas)\nPerfil "B": igual (0 respuestas)\nIguales: 2 perfiles, 2 respuestas.\n' > want
expect "diff with the store" 0 want -- diff --store ab.kvxpf
printf 'perfil\tA\t3\nperfil\tB\t0\n' > want; expect "merge with the store" 0 want -- merge -o merged.kvxpf --store lower.kvxpf
printf 'aceptado\t2 perfiles\t3 entradas\t0 omitidas\n' > want; expect "the merged file" 0 want -- check merged.kvxpf
printf 'A\tA (1)\t2\nB\tB (1)\t0\n' > want; expect "second import" 0 want -- import ab.kvxpf
printf 'A\t2\nA (1)\t2\nB\t0\nB (1)\t0\n' > want; expect "list after" 0 want -- list
printf 'línea 5\tA\tpar ilegible (código 975321)\naceptado\t1 perfiles\t1 entradas\t1 omitidas\n' > want
expect "check broken" 0 want -- check broken.kvxpf
printf 'rechazado\tlínea 1\tEl archivo no es un archivo de perfiles de KORVEX.\n' > want
expect "check no header" 1 want -- check noheader.kvxpf
: > want; expect "import refused" 1 want -- import noheader.kvxpf
printf 'A\t2\nA (1)\t2\nB\t0\nB (1)\t0\n' > want; expect "nothing changed" 0 want -- list

# The registry takes "a" and "A" as one subkey: a profile named in another
# case gets the next free numbered name ("a (1)" is "A (1)" too).
printf 'a\ta (2)\t1\n' > want; expect "import in another case" 0 want -- import lower.kvxpf
printf 'A\t2\nA (1)\t2\nB\t0\nB (1)\t0\na (2)\t1\n' > want; expect "one name per subkey" 0 want -- list

# An export over an existing file replaces it whole and leaves no temporary
# file beside it.
printf 'A\t2\n' > want; expect "export over a file" 0 want -- export back.kvxpf A
printf 'aceptado\t1 perfiles\t2 entradas\t0 omitidas\n' > want; expect "the replaced file" 0 want -- check back.kvxpf
checks=$((checks + 1))
if ls | grep -q '\.tmp$'; then
  echo "FAILED: a temporary file was left beside the export: $(ls | grep '\.tmp$')"
  failures=$((failures + 1))
fi

# The report of the log folder the robot's settings name: a journal as the
# robot writes it (Latin-1, CR LF, every field quoted), another file that
# is not one.
mkdir logs
printf '"Se ha activado el perfil ""A"""\r\n"Item #";"Tipo de acci\xf3n";"Tipo de respuesta";"Pregunta o mensaje";"Respuesta"\r\n"1";"Mensaje";"Autom\xe1tica";"uno"\r\n"2";"Pregunta";"Manual";"dos";"Presionar S\xed"\r\n"La validaci\xf3n total de \xedtems ha conclu\xeddo."\r\n' \
  > logs/260302_091500_12001IC04000123@.csv
printf 'Fecha;Importe\r\n' > logs/260303_091500_IDENT.csv
"$exec_" reg.exe add 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /t REG_SZ /d "Z:${work//\//\\}\\logs" /f > /dev/null
printf 'informe.html\t1 ejecuciones\t2 di\xc3\xa1logos\t1 no le\xc3\xaddos\n' > want; expect "report of the configured folder" 0 want -- report -o informe.html
checks=$((checks + 1))
if ! grep -q 'id="resumen-automatico">50,0 %<' informe.html || ! grep -q '260303_091500_IDENT.csv' informe.html; then
  echo "FAILED: the report's page lacks its figures"
  failures=$((failures + 1))
fi
"$exec_" reg.exe delete 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /f > /dev/null 2>&1 || true

"$exec_" reg.exe delete 'HKCU\Software\Norvane\KORVEX\Store' /f > /dev/null 2>&1 || true
echo "$((checks - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
