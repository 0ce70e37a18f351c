#!/usr/bin/env bash
# The showcase: builds the extension and runs scripts/demo.tcl in a plain
# tclsh.  Pictures it makes are written to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
mkdir -p build/demo
tclsh scripts/demo.tcl build build/demo
