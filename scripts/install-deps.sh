#!/usr/bin/env bash
# Installs the Debian 12 packages Tavolin needs, by group:
#   build    compile the programs (the test framework too: CMake configures the tests with them)
#   run      run them on a desktop
#   test     every test and benchmark, under a private headless session
#   demo     the headless demo of scripts/run.sh (no display): session, window manager, Mousepad, screenshot
#   package  make and check the Debian package: dpkg-shlibdeps, validators of the desktop files and manuals
# Usage: install-deps.sh [GROUP...]; with no group, all of them (what CI needs).
# Idempotent: packages already present are left alone and apt is not even asked.
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config ccache binutils
  qt6-base-dev libleveldb-dev libsnappy-dev libicu-dev libatspi2.0-dev libx11-dev libxtst-dev
  libxres-dev # the platform layer's process id fallback (X Resource extension)
  libgtest-dev libgmock-dev
  qt6-l10n-tools qt6-tools-dev # lupdate and lrelease: the interface's catalogs (Qt6LinguistTools)
)
run=(
  at-spi2-core # the accessibility bus the palette reads applications through
  qt6-wayland # the panel as a native Wayland window on a Wayland desktop
  qt6-translations-l10n # Qt's own texts (dialog buttons) in the user's language
)
test=(
  libbenchmark-dev
  clang libclang-rt-dev # the fuzz targets: libFuzzer with ASan and UBSan
  gettext # msgfmt: the translation tests compile their catalogs
  python3 # the extension tests run a Python extension
  # headless desktop session for integration tests
  xvfb xauth dbus dbus-x11 at-spi2-core libglib2.0-bin openbox x11-utils xdotool
  # the applications the integration tests read, locales for translated menus, and fzf as the search
  # benchmark's reference
  mousepad geany geany-common locales fzf
  # the Wayland session of the Wayland journeys: compositor, Xwayland, keys, screenshots, Qt's Wayland plugin
  sway xwayland wtype grim qt6-wayland
)
demo=(
  xvfb xauth dbus dbus-x11 at-spi2-core libglib2.0-bin openbox x11-utils xdotool mousepad
  imagemagick # turns the headless screen into a PNG screenshot
)
package=(
  dpkg-dev # dpkg-shlibdeps: the package's Depends
  desktop-file-utils appstream libxml2-utils groff-base man-db bash-completion
)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build run test demo package)
packages=()
for group in "${groups[@]}"; do
  case $group in
    build) packages+=("${build[@]}") ;;
    run) packages+=("${run[@]}") ;;
    test) packages+=("${test[@]}") ;;
    demo) packages+=("${demo[@]}") ;;
    package) packages+=("${package[@]}") ;;
    *) echo "install-deps: unknown group \"$group\" (build, run, test, demo, package)" >&2; exit 2 ;;
  esac
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages of ${groups[*]} present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
