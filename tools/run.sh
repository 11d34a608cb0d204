#!/usr/bin/env bash
# Builds and starts Corvalet.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "Corvalet's program is not assembled yet: the settings, log and platform layers exist;"
echo "the window, the SMTP client and the schedule are being built. Run 'bash tools/test.sh'."
