#!/usr/bin/env bash
# Installs a Tavolin Debian package on this machine for real, checks the installed desktop entries start
# their programs (in a private headless session, with settings in a temporary folder), that the manual pages
# and the MIME type are in place, then removes the package and checks that none of its files is left.
# Needs root (dpkg). Usage: try-package-install.sh PACKAGE.deb
set -uo pipefail
deb=$(realpath "${1:?usage: try-package-install.sh PACKAGE.deb}")
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavolin-install.XXXXXX")
failures=0
fail() { echo "try-package-install: $*" >&2; failures=$((failures + 1)); }
pids=()
cleanup() {
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill -KILL "${pids[$i]}" 2>/dev/null || true; done
  bash "$root/scripts/headless-session.sh" stop --state-dir "$work/session" >/dev/null 2>&1 || true
  dpkg-query -W tavolin >/dev/null 2>&1 && dpkg -r tavolin >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
wait_for() { for _ in $(seq 1 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
# The Exec line of an installed desktop entry's main group, without field codes.
exec_of() { sed -n '/^\[Desktop Entry\]/,/^\[/{s/^Exec=//p}' "$1" | head -n1 | sed 's/ %[fFuU]//g'; }

dpkg -i "$deb" >"$work/dpkg-install.log" 2>&1 || { cat "$work/dpkg-install.log" >&2; exit 1; }
dpkg -L tavolin >"$work/files"
echo "installed $(dpkg-query -W -f='${Package} ${Version}, ${Installed-Size} KiB' tavolin): $(wc -l <"$work/files") paths"

eval "$(bash "$root/scripts/headless-session.sh" start --wm --state-dir "$work/session")"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
palette_exec=$(exec_of /usr/share/applications/tavolin.desktop)
prefs_exec=$(exec_of /usr/share/applications/tavolin-preferences.desktop)
# Started as a desktop starts an entry: its Exec line, the program found on PATH.
(cd / && exec $palette_exec) >"$work/tavolin.log" 2>&1 &
pids+=($!)
wait_for grep -q 'AXIsProcessTrusted=' "$work/tavolin.log" || fail "\"$palette_exec\" did not start: $(cat "$work/tavolin.log")"
wait_for xdotool search --onlyvisible --name '^Welcome to Tavolin$' || fail "\"$palette_exec\" showed no welcome window"
(cd / && exec $prefs_exec) >"$work/prefs.log" 2>&1 &
pids+=($!)
wait_for xdotool search --onlyvisible --class '^tavolin-preferences$' ||
  fail "\"$prefs_exec\" showed no window: $(cat "$work/prefs.log")"
echo "desktop entries start: \"$palette_exec\" (pid ${pids[0]}), \"$prefs_exec\" (pid ${pids[1]})"
# The palette's ordinary quit stops every preferences program of this user, in any session: stop this one
# first, then the palette without its quit.
kill "${pids[1]}" 2>/dev/null; wait "${pids[1]}" 2>/dev/null
kill -KILL "${pids[0]}" 2>/dev/null; wait "${pids[0]}" 2>/dev/null
pids=()

man -w tavolin-menu >/dev/null 2>&1 || fail "man finds no tavolin-menu page"
man -w 7 tavolin-extensions >/dev/null 2>&1 || fail "man finds no tavolin-extensions page"
[ -f /usr/share/mime/application/x-tavolin-extension.xml ] || fail "the MIME database has no application/x-tavolin-extension"
/usr/bin/tavolin-menu --help | grep -q '^  7 ' || fail "the installed tavolin-menu has no exit code 7"

dpkg -r tavolin >"$work/dpkg-remove.log" 2>&1 || { cat "$work/dpkg-remove.log" >&2; fail "dpkg -r failed"; }
left=()
while read -r path; do
  # Folders such as /usr/share/man are shared; every file and every folder of its own must be gone.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == *tavolin* ]]; }; then left+=("$path"); fi
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after dpkg -r: ${left[*]}"
[ ! -e /usr/share/mime/application/x-tavolin-extension.xml ] || fail "the MIME type outlived the package"

[ "$failures" -eq 0 ] || exit 1
echo "try-package-install: installed, started from its desktop entries, removed without a trace"
