#!/usr/bin/env bash
# Fails when a source file includes a folder above its own. The folders are layers, lowest
# first:
#   platform -> core -> {sim, link, dsp, sensors, net, recording}
#   -> {profile, display, windows, video}
#   -> pipeline -> app -> gui
# A file may include its own folder and any folder of a lower layer (tools/ may use all but gui).
# The simulated head stands apart: it includes nothing of the program, so it stays a faithful,
# independent peer of the link.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A level=([platform]=0 [core]=1 [sim]=2 [link]=2 [dsp]=2 [sensors]=2 [net]=2
                  [recording]=2 [profile]=3 [display]=3 [windows]=3 [video]=3 [pipeline]=4 [app]=5
                  [tools]=6 [gui]=7)
bad=0
while IFS= read -r file; do
    own=${file#src/}; own=${own%%/*}
    [ -n "${level[$own]+x}" ] || { echo "check-layers: $file: folder '$own' has no layer" >&2; bad=1; continue; }
    while IFS= read -r inc; do
        dir=${inc%%/*}
        [ -n "${level[$dir]+x}" ] || continue
        if [ "$own" = sim ] && [ "$dir" != sim ]; then
            echo "check-layers: $file includes \"$inc\": the simulated head includes nothing of the program" >&2
            bad=1
        elif [ "${level[$dir]}" -gt "${level[$own]}" ] || { [ "$dir" = gui ] && [ "$own" != gui ]; }; then
            echo "check-layers: $file includes \"$inc\", a folder above its own ($own)" >&2
            bad=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)
[ "$bad" -eq 0 ] && echo "check-layers: every include runs downward"
exit "$bad"
