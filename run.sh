#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Zarnolt with the given arguments.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/ensure-packages.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [ -x build/app/zarnolt ]; then
  exec build/app/zarnolt "$@"
fi
exec build/cli/zarnolt-cli "$@"
