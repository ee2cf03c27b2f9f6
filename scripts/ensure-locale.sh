#!/usr/bin/env bash
# Generates the Linux locale es_AR.UTF-8 when it is missing.  Wine takes its
# user-interface language from it: under LANG=es_AR.UTF-8 the system's
# message boxes read "Aceptar", "&Sí", "&No", as on the users' machines.
#
# Needs the package "locales" and root (sudo is used when available).  A
# failure is reported but does not fail the caller: only the checks of
# Spanish system texts depend on it.
set -uo pipefail

if locale -a 2>/dev/null | grep -qix 'es_AR\.utf-\?8'; then
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo -n)
  fi
fi

echo "ensure-locale: generating es_AR.UTF-8"
if ! "${as_root[@]}" localedef -i es_AR -f UTF-8 es_AR.UTF-8; then
  echo "ensure-locale: could not generate es_AR.UTF-8 (package locales, root); Spanish system texts will not be checked" >&2
fi
exit 0
