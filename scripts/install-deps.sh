#!/usr/bin/env bash
# Installs the Debian 12 packages Tavolin needs to build, test and run.
# Idempotent: packages already present are left alone and apt is not even asked.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache binutils
  # libraries the code links
  qt6-base-dev libleveldb-dev libsnappy-dev libicu-dev libatspi2.0-dev libx11-dev libxtst-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  gettext # msgfmt: the translation tests compile their catalogs
  python3 # the extension tests run a Python extension
  # headless desktop session for integration tests and the demo
  xvfb xauth dbus dbus-x11 at-spi2-core
  # platform layer: X Resource extension (pid fallback), the session script's tools, the applications the
  # integration tests read, locales for translated menus, and fzf as the search benchmark's reference
  libxres-dev libglib2.0-bin openbox x11-utils xdotool mousepad geany geany-common locales fzf
  imagemagick # run.sh: turns the headless screen (xwd) into a PNG screenshot
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
