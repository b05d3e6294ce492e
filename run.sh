#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Zarnolt with the given arguments.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/ensure-packages.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [ -x build/bin/zarnolt ]; then
  exec build/bin/zarnolt "$@"
fi
exec build/bin/zarnolt-cli "$@"
