#!/usr/bin/env bash
# Runs the fuzz targets long: each to a million executions or 30 minutes, whichever comes first, two at a
# time (niced), and prints the figures per target. Arguments go to scripts/fuzz.sh (targets, or options that
# override these).
exec bash "$(dirname "$0")/fuzz.sh" --runs 1000000 --seconds 1800 --parallel 2 "$@"
