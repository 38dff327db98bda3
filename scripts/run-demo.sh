#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workbench on the bundled demo data.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${KITBOX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"
# Without arguments the workbench opens the demo engine description; the
# runtime's default paths point at the demo data beside the programs.
if [ $# -eq 0 ]; then
  set -- "$build/share/kitbox32/ecu/D_MOTOR.prg"
fi
exec "$build/bin/kitbox32" "$@"
