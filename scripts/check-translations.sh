#!/usr/bin/env bash
# Checks the interface's catalogs (translations/*.ts): every text the sources pass to tr() has a finished,
# non-empty translation whose %1..%9 markers are the source's, and no catalog keeps texts the sources no
# longer have. lupdate re-reads the sources into copies, so a catalog left behind by a change fails here.
# Usage: check-translations.sh SOURCE_DIR LUPDATE_PROJECT GENERATE_PROJECT_SCRIPT LUPDATE
# LUPDATE_PROJECT is what CMake writes for the update_translations target (the sources, include paths),
# GENERATE_PROJECT_SCRIPT Qt's script that turns it into lupdate's project file.
set -euo pipefail
source_dir=$1 project=$2 generate=$3 lupdate=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -DIN_FILE="$project" -DOUT_FILE="$work/project.json" -P "$generate" >/dev/null
status=0
for catalog in "$source_dir"/translations/*.ts; do
  copy="$work/$(basename "$catalog")"
  cp "$catalog" "$copy"
  "$lupdate" -silent -no-obsolete -locations none -project "$work/project.json" -ts "$copy" 2>&1 >/dev/null \
    | { grep -v "TS files from command line will override" || true; } >&2
  if ! cmp -s "$catalog" "$copy"; then
    echo "check-translations: $(basename "$catalog") differs from the sources' texts (run the update_translations target):"
    diff "$catalog" "$copy" | head -20
    status=1
  fi
  python3 - "$copy" <<'PY' || status=1
import re, sys, xml.etree.ElementTree as ET
path = sys.argv[1]
bad = []
for message in ET.parse(path).getroot().iter('message'):
    source = message.findtext('source') or ''
    translation = message.find('translation')
    text = translation.text if translation is not None else None
    if translation is None or translation.get('type') in ('unfinished', 'vanished', 'obsolete') or not (text or '').strip():
        bad.append(f'untranslated: {source!r}')
    elif sorted(re.findall(r'%\d', source)) != sorted(re.findall(r'%\d', text)):
        bad.append(f'markers differ: {source!r} -> {text!r}')
for line in bad:
    print(f'check-translations: {path.rsplit("/", 1)[-1]}: {line}')
sys.exit(1 if bad else 0)
PY
done
exit $status
