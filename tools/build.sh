#!/usr/bin/env bash
# Configures (once) and builds a build tree: tools/build.sh DIR [cmake options...]
set -euo pipefail
dir=$1
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@"
elif [ $# -gt 0 ]; then
  cmake "$dir" "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
