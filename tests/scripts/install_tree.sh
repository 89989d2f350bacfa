#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the program, the tools and the two libraries they
# load side by side, links to them in bin, the desktop entry and the icon in every size.
# Usage: install_tree.sh BUILD_BIN_DIR
bin="$1"
build=$(dirname "$bin")
source "$(dirname "$0")/lib/checks.sh"

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || fail "cmake --install failed: $(cat "$work/install.log")"
libdir=$(cd "$prefix" && find . -type d -name tinderquillex -path '*lib*' | head -1)
[[ -n "$libdir" ]] || fail "no lib/.../tinderquillex folder installed"

programs=(tqx-mixdown tqx-play tqx-record)
gui=0
[[ -x "$bin/Tinderquillex" ]] && gui=1 && programs+=(Tinderquillex)
for p in "${programs[@]}"; do
    [[ -x "$prefix/$libdir/$p" ]] || fail "$p is not installed in $libdir"
    # The link in bin reaches the program, whose folder holds the libraries it loads.
    [[ -L "$prefix/bin/$p" ]] || fail "bin/$p is not a link"
    target=$(readlink -f "$prefix/bin/$p")
    [[ "$target" == "$(readlink -f "$prefix/$libdir/$p")" ]] || fail "bin/$p leads to $target"
done
for lib in libRavelin.so libCorvane.so; do
    [[ -f "$prefix/$libdir/$lib" ]] || fail "$lib is not installed beside the programs"
done
"$prefix/bin/tqx-mixdown" --help > "$work/help.txt" 2>&1 || fail "the installed tqx-mixdown does not run: $(cat "$work/help.txt")"

if [[ $gui -eq 1 ]]; then
    desktop="$prefix/share/applications/tinderquillex.desktop"
    [[ -f "$desktop" ]] || fail "no desktop entry"
    grep -qx 'Exec=Tinderquillex' "$desktop" || fail "the desktop entry does not start Tinderquillex"
    grep -qx 'Icon=tinderquillex' "$desktop" || fail "the desktop entry names another icon"
    grep -qx 'Type=Application' "$desktop" || fail "the desktop entry is no application"
    [[ -f "$prefix/share/icons/hicolor/scalable/apps/tinderquillex.svg" ]] || fail "no scalable icon"
    for size in 16 22 24 32 48 64 128 256; do
        png="$prefix/share/icons/hicolor/${size}x${size}/apps/tinderquillex.png"
        [[ -f "$png" ]] || { fail "no ${size}x${size} icon"; continue; }
        # A PNG says its width and height, big-endian, in bytes 16..23.
        dims=$(od -An -tu4 --endian=big -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')
        [[ "$dims" == "$size $size" ]] || fail "the ${size}x${size} icon is $dims"
    done
fi

echo "installed files:"
(cd "$prefix" && find . \( -type f -o -type l \) | sort)
finish install_tree
