#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workbench on the bundled demo data.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${KITBOX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"
if [ -x "$build/bin/kitbox32" ]; then
  exec "$build/bin/kitbox32" "$@"
fi
# Until the main window exists: run a demo job through the runtime.
exec "$build/bin/vedamis-job" D_MOTOR STATUS_MOTOR "$@"
