#!/usr/bin/env bash
# The test command: set-up, build, then every test under Wine (unit programs and
# end-to-end scenarios). Ends with pytest's summary line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh"
cd "$here"
exec /usr/bin/python3 -m pytest -p no:cacheprovider -q tests/e2e "$@"
