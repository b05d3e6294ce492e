#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the Zarnolt editor with the given layout file.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); without one use build/bin/zarnolt-cli (./build/bin/zarnolt-cli --help)" >&2
  exit 1
fi
tools/ensure-packages.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
exec build/bin/zarnolt "$@"
