#!/usr/bin/env bash
# Makes the Debian package from a build folder (cpack -G DEB) into a temporary folder and checks it without
# installing it: its Depends (computed from the programs' libraries) and Recommends, that every file the
# desktop needs is in it and nothing lies outside /usr, and that the packaged programs run.
# Usage: check-package.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: check-package.sh BUILD_DIR}
out=$(mktemp -d "${TMPDIR:-/tmp}/tavolin-package.XXXXXX")
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

if ! (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
  cat "$out/cpack.log" >&2
  echo "check-package: cpack failed" >&2
  exit 1
fi
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "check-package: expected one package, found ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6widgets6 libqt6dbus6 libqt6network6 libleveldb1d libatspi2.0-0 libx11-6 'libicu[0-9]'; do
  grep -Eq "(^|, )$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "at-spi2-core, libatk-adaptor, qt6-wayland, qt6-translations-l10n" ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed "s|^\./|/|; s|/$||" | grep -v "^$")
while read -r path; do
  [ -n "$path" ] || continue
  grep -qxF "$path" <<<"$files" || fail "missing $path"
done <<'EOF_FILES'
/usr/bin/tavolin
/usr/bin/tavolin-preferences
/usr/bin/tavolin-menu
/usr/libexec/tavolin/tavolin-menu-live
/usr/share/applications/tavolin.desktop
/usr/share/applications/tavolin-preferences.desktop
/usr/share/metainfo/io.quorvane.Tavolin.metainfo.xml
/usr/share/metainfo/io.quorvane.Tavolin.Preferences.metainfo.xml
/usr/share/mime/packages/tavolin-extension.xml
/usr/share/icons/hicolor/scalable/apps/tavolin.svg
/usr/share/icons/hicolor/48x48/apps/tavolin.png
/usr/share/icons/hicolor/256x256/apps/tavolin.png
/usr/share/man/man1/tavolin.1
/usr/share/man/man1/tavolin-preferences.1
/usr/share/man/man1/tavolin-menu.1
/usr/share/man/man7/tavolin-extensions.7
/usr/share/bash-completion/completions/tavolin-menu
/usr/share/doc/tavolin/extensions.md
/usr/share/doc/tavolin/examples/Files - Copy Path.sh
EOF_FILES
outside=$(grep -v '^/usr/' <<<"$files" | grep -vx -e '/' -e '/usr' -e '.' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

# The packaged programs, unpacked: they start, and tavolin-menu ranks rows.
root=$out/root
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/tavolin" --version | grep -q '^tavolin ' || fail "the packaged tavolin does not run"
"$root/usr/bin/tavolin-preferences" --version | grep -q '^tavolin-preferences ' || fail "the packaged tavolin-preferences does not run"
ranked=$(printf 'File > Save\tCtrl+S\nFile > Save As…\tCtrl+Shift+S\n' | "$root/usr/bin/tavolin-menu" search 'save as' --rows - --limit 1)
[[ $ranked == *"File > Save As…"* ]] || fail "the packaged tavolin-menu ranked: $ranked"

[ "$failures" -eq 0 ] || exit 1
echo "check-package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB, $(wc -l <<<"$files") entries; Depends: $depends"
