#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The house check: a file under src/ includes only from its own floor or a floor below it, and
# names the folder. Prints each include that runs upward or sideways and fails if there is one.
# Usage: scripts/check-floors.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# Each floor and the floors it may include from (itself included).
declare -A may=(
    [core]="core"
    [port]="core port"
    [link]="core port link"
    [history]="core port link history"
    [metrics]="core port link history metrics"
    [state]="core port link history metrics state"
    [panel]="core port link history metrics state panel"
    [manager]="core port link history metrics state panel manager"
    [macro]="core port link history metrics state panel macro"
    [monitor]="core port link history metrics state monitor"
    [workspace]="core port link history metrics state panel manager macro monitor workspace"
    [shell]="core port link history metrics state panel manager macro monitor workspace shell"
)

bad=0
for dir in "$root"/src/*/; do
    floor=$(basename "$dir")
    if [ -z "${may[$floor]+x}" ]; then
        echo "src/$floor: a floor the house check does not know; add it to scripts/check-floors.sh"
        bad=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
        if [[ " ${may[$floor]} " != *" $target "* ]]; then
            echo "${file#"$root"/}:$line: $floor may not include from $target: $text"
            bad=1
        fi
    done < <(grep -rnE '^#include "[^/"]+/' "$dir" || true)
    # An include without its folder hides which floor it comes from (the build date is a header
    # the build writes, not a floor's).
    if grep -rnE '^#include "[^/"]+\.h"' "$dir" | grep -v '"builddate_value.h"'; then
        bad=1
    fi
done
exit $bad
