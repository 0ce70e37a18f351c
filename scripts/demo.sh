#!/usr/bin/env bash
# The showcase: builds the extension and runs scripts/demo.tcl in a plain
# tclsh.  Pictures it makes are written to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
mkdir -p build/demo
# The Tk page needs a display: a virtual one when xvfb-run is there.
if command -v xvfb-run >/dev/null; then
  xvfb-run -a tclsh scripts/demo.tcl build build/demo
else
  tclsh scripts/demo.tcl build build/demo
fi
