#!/usr/bin/env bash
# Fails when the given binary itself links a library outside the core layers' allowance: Qt Core, leveldb,
# ICU and the C/C++ runtime (plus GoogleTest for test binaries). Qt Core's own dependencies (it uses GLib's
# event loop on Debian) are not ours, so only the binary's direct NEEDED entries are read.
set -euo pipefail
binary=$1
allowed='^(libQt6Core|libleveldb|libsnappy|libicu(uc|i18n|data)|libgtest|libgmock|libstdc\+\+|libm|libgcc_s|libc|libasan|libubsan|ld-linux-x86-64)\.so'
needed=$(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
bad=$(grep -vE "$allowed" <<<"$needed" || true)
if [ -n "$bad" ]; then
  echo "$(basename "$binary") links libraries the core layers must not use:"
  echo "$bad"
  exit 1
fi
echo "$(basename "$binary") links only: $(tr '\n' ' ' <<<"$needed")"
