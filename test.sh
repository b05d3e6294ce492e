#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/ensure-packages.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$(nproc)"
