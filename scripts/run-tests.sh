#!/bin/sh
# Builds Vantrel with warnings as errors and runs every test.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR=ON
cmake --build build-ci
cd build-ci
ctest --output-on-failure --timeout 300 -j 2
