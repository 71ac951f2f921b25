#!/usr/bin/env bash
# Checks the files Tavolin installs beside its programs: desktop entries (desktop-file-validate), AppStream
# metainfo (appstreamcli validate --no-net), the MIME type (xmllint), manual pages (groff warnings, lexgrog
# finds each page's NAME) and the bash completion (it completes). Usage: check-data-files.sh SOURCE_DIR
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
failures=0
fail() { echo "check-data-files: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null 2>&1 || { echo "check-data-files: $1 is missing (bash scripts/install-deps.sh package)" >&2; exit 1; }; }
need desktop-file-validate; need appstreamcli; need groff; need lexgrog; need xmllint

for entry in "$root"/data/*.desktop; do
  # Warnings are printed with status 0: any output fails.
  if ! out=$(desktop-file-validate "$entry" 2>&1) || [ -n "$out" ]; then fail "$out"; fi
done

for info in "$root"/data/*.metainfo.xml; do
  out=$(appstreamcli validate --no-net --no-color "$info" 2>&1) || fail "$info: $out"
done

xmllint --noout "$root"/data/tavolin-extension.xml || fail "tavolin-extension.xml is not well-formed"

for page in "$root"/man/*.[1-8]; do
  # -ww: every warning; groff prints them on standard error.
  out=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$out" ] || fail "$page: $out"
  lexgrog "$page" >/dev/null 2>&1 || fail "$page: lexgrog finds no NAME section"
done

completion=/usr/share/bash-completion/bash_completion
[ -r "$completion" ] || { echo "check-data-files: bash-completion is missing (bash scripts/install-deps.sh package)" >&2; exit 1; }
# What the completion offers after "tavolin-menu " and after "tavolin-menu search x --".
words=$(bash -c '
  source "$1"; source "$2"
  complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
                    COMPREPLY=(); _tavolin_menu tavolin-menu "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"; echo "${COMPREPLY[*]}"; }
  complete_line tavolin-menu ""
  complete_line tavolin-menu search x --' _ "$completion" "$root/data/completions/tavolin-menu" 2>&1)
[ "$(sed -n 1p <<<"$words")" = "list search perform" ] || fail "completion of commands: $words"
[ "$(sed -n 2p <<<"$words")" = "--pid --json --help --version --rows --limit" ] || fail "completion of options: $words"

[ "$failures" -eq 0 ] || exit 1
echo "check-data-files: desktop entries, metainfo, MIME type, manual pages and completion are valid"
