#!/usr/bin/env bash
# The main job: set-up, build, then the installer under Wine in a fresh prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" >/dev/null
exec /usr/bin/python3 "$here/scripts/demo.py" "$@"
