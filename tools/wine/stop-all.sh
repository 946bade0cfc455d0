#!/usr/bin/env bash
# Ends the Wine machines of this checkout's prefixes (the template, the test
# prefixes, the run prefix): for `make clean`, before their folders go.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
for prefix in "$QV_TEMPLATE" "$QV_WINE_DIR"/run "$QV_WINE_DIR"/prefixes/*/ "$QV_WINE_DIR"/template.boot.*/; do
    qv_wine_stop "$prefix"
done
