#!/usr/bin/env bash
# Installs what is missing, builds, and runs the box-field program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup.sh"
if [ -x "$here/build/boxfield/boxfield" ]; then
  exec "$here/build/boxfield/boxfield" "$@"
fi
echo "run: the box-field program is not built yet (boxfield/ holds no program so far)."
