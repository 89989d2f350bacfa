#!/usr/bin/env bash
# The folders of src/ are layers: each includes only its own headers and those of the layers
# below it, and nothing below the windows includes Qt. A new include against the direction
# (which would make a cycle) fails here with the file and line.
# Usage: layer_check.sh [BUILD_BIN_DIR] (unused: the check reads the sources)
source "$(dirname "$0")/lib/checks.sh"
src="$(cd "$(dirname "$0")/../../src" && pwd)"

# What each folder may include besides itself, lowest layer first.
declare -A below=(
    [platform]=""
    [audio]="platform"
    [project]="audio platform"
    [effects]="platform"
    [engine]="project audio effects platform"
    [io]="engine project audio effects platform"
    [session]="io engine project audio effects platform"
    [cli]="session io engine project audio effects platform"
    [forms]="session io engine project audio effects platform"
    [app]="forms session io engine project audio effects platform"
)
windows="forms app"

for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [[ -z ${below[$folder]+set} ]]; then
        fail "src/$folder is not a known layer: add it to layer_check.sh and src/CMakeLists.txt"
        continue
    fi
    allowed=" $folder ${below[$folder]} "
    while IFS=: read -r file line text; do
        target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$text")
        [[ $allowed == *" $target "* ]] || fail "${file#"$src"/}:$line: $folder must not include $target/"
    done < <(grep -rnE '^\s*#\s*include "[a-z_]+/' "$dir" || true)
    if [[ " $windows " != *" $folder "* ]]; then
        while IFS=: read -r file line _; do
            fail "${file#"$src"/}:$line: only the windows include Qt"
        done < <(grep -rnE '^\s*#\s*include <Q' "$dir" || true)
    fi
done

finish layer_check
