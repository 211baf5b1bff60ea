#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the #include graph between the folders of src/ ("from -> to  count") and fails when a
# folder includes one above it in the layer order, so the layering stays what the README says.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(common platform terminal resources board config help plot simulator app)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo 99; }
status=0
while read -r count from to; do
    echo "$from -> $to  $count"
    if [ "$(rank "$from")" -lt "$(rank "$to")" ]; then
        echo "  upward include: $from -> $to" >&2
        status=1
    fi
done < <(grep -rHo '^#include "[a-z]*/' --include='*.h' --include='*.cpp' . |
    sed -E 's|^\./([a-z]+)/[^:]*:#include "([a-z]+)/|\1 \2|; s|^\./main\.cpp:#include "([a-z]+)/|main \1|' |
    awk '$1 != $2' | sort | uniq -c)
exit $status
