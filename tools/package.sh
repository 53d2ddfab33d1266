#!/usr/bin/env bash
# Sets up, builds the program and its help file, and makes the portable zip and the installer:
# ${GW_BUILD_DIR:-build}/packages/Gatewarden-<version>-win64.zip and .exe.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target Gatewarden GatewardenHelp
# The installer carries no help file when the build found no CHM compiler: refuse that instead.
[ -f "$build/bin/gatewd.chm" ] || { echo "package: $build/bin/gatewd.chm was not built (is chmcmd installed?)" >&2; exit 1; }
(cd "$build" && cpack --config CPackConfig.cmake)
ls -l "$build"/packages/*.zip "$build"/packages/*.exe
