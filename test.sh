#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/ensure-packages.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNOLT_WERROR=ON
# Shuffled, so that no test leans on another having run before it (the seed is printed).
GTEST_SHUFFLE=1 ctest --test-dir build --output-on-failure -j "$(nproc)"
