#!/usr/bin/env bash
# Boots the template prefix (build/wine/template) unless it is already there.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
qv_ensure_template
