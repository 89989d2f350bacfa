#!/usr/bin/env bash
# tqx-mixdown on projects whose files this script writes byte by byte.
# Usage: tqx_mixdown_cli.sh BUILD_BIN_DIR
cli="$1/tqx-mixdown"
source "$(dirname "$0")/lib/checks.sh"
source "$(dirname "$0")/lib/project_bytes.sh"

expect_samples() {  # FILE SAMPLE... : the mixdown equals this stereo 44,100 Hz file
    local name=$1; shift
    wave 2 44100 "$@" > "$work/expected.wav"
    cmp -s "$work/expected.wav" "$name" || fail "$name differs from the expected samples $*"
}

# --- one track, one clip: the file "全体(&A)..." writes ---
wave 2 44100 100 200 -100 0 > "$work/one.wav"
{ header 44100 1; track 0 1; clip 0 0 "$work/one.wav" $F0; equalizer_off; } > "$work/one.tqxproj"
"$cli" "$work/one.tqxproj" "$work/out1.wav" || fail "single-track mixdown exited $?"
expect_samples "$work/out1.wav" 100 200 -97 0
info=$(sox --i "$work/out1.wav" 2>&1) || fail "sox does not accept the mixdown: $info"
grep -q 'Channels *: 2' <<<"$info" || fail "sox sees no stereo file"
grep -q 'Sample Rate *: 44100' <<<"$info" || fail "sox sees another rate"
grep -q 'Precision *: 16-bit' <<<"$info" || fail "sox sees another sample width"

# --- two tracks stored in display order slot 1 above slot 0 ---
wave 2 44100 20000 0 > "$work/a.wav"
wave 2 44100 20000 -100 20000 -100 > "$work/b.wav"
{
    header 44100 2
    track 1 1; clip 1 1 "$work/b.wav" $F0
    track 0 1; clip 0 0 "$work/a.wav" $F0
    equalizer_off
} > "$work/two.tqxproj"
# Every track in slot order: a, then b. Each addition to the mix is clamped and lifts a
# negative sum by one, so the order shows in the samples.
"$cli" "$work/two.tqxproj" "$work/all.wav" || fail "full mixdown exited $?"
expect_samples "$work/all.wav" 32767 -97 20000 -97
# Chosen tracks go in display order, b first, whatever order they are named in.
"$cli" "$work/two.tqxproj" "$work/chosen.wav" --tracks 1,2 || fail "--tracks 1,2 exited $?"
expect_samples "$work/chosen.wav" 32767 -96 20000 -97
"$cli" --tracks=2,1 "$work/two.tqxproj" "$work/chosen2.wav" || fail "--tracks=2,1 exited $?"
cmp -s "$work/chosen.wav" "$work/chosen2.wav" || fail "the order of --tracks changed the result"
"$cli" "$work/two.tqxproj" "$work/b-only.wav" --tracks 2 || fail "--tracks 2 exited $?"
expect_samples "$work/b-only.wav" 20000 -97 20000 -97

# --- failures ---
set +e
"$cli" "$work/none.tqxproj" "$work/x.wav" 2>"$work/err"; rc=$?
[[ $rc -ne 0 ]] || fail "a missing project exited 0"
[[ -s "$work/err" ]] || fail "a missing project printed nothing"
"$cli" "$work/two.tqxproj" "$work/x.wav" --tracks 9 2>/dev/null; rc=$?
[[ $rc -eq 2 ]] || fail "an unknown track exited $rc, not 2"
"$cli" "$work/two.tqxproj" "$work/x.wav" --tracks 1,x 2>/dev/null; rc=$?
[[ $rc -eq 2 ]] || fail "a bad track list exited $rc, not 2"
"$cli" "$work/two.tqxproj" 2>/dev/null; rc=$?
[[ $rc -eq 2 ]] || fail "a missing output argument exited $rc, not 2"
{ header 44100 1; track 0 0; equalizer_off; } > "$work/empty.tqxproj"
"$cli" "$work/empty.tqxproj" "$work/x.wav" 2>/dev/null; rc=$?
[[ $rc -eq 3 ]] || fail "a project without clips exited $rc, not 3"
"$cli" "$work/two.tqxproj" "$work/no/such/dir/x.wav" 2>"$work/err"; rc=$?
[[ $rc -eq 1 ]] || fail "an uncreatable output exited $rc, not 1"
grep -q 'エラー。ファイルの作成に失敗しました。' "$work/err" || fail "the creation failure was not printed"
set -e
[[ ! -e "$work/x.wav" ]] || fail "a failed run left an output file"

# --- OUT names something that must not be replaced: exit 2, nothing touched ---
cp "$work/two.tqxproj" "$work/two.saved"
cp "$work/a.wav" "$work/a.saved"
ln -s a.wav "$work/link-to-clip.wav"
mkdir "$work/folder"
set +e
for out in "$work/two.tqxproj" "$work/a.wav" "$work/./b.wav" "$work/link-to-clip.wav" "$work/folder" /dev/null; do
    "$cli" "$work/two.tqxproj" "$out" 2>"$work/err"; rc=$?
    [[ $rc -eq 2 ]] || fail "OUT $out exited $rc, not 2"
    grep -q "choose another output file" "$work/err" || fail "OUT $out was refused without a word"
done
set -e
cmp -s "$work/two.tqxproj" "$work/two.saved" || fail "the project file was overwritten"
cmp -s "$work/a.wav" "$work/a.saved" || fail "a clip file was overwritten"
[[ -d "$work/folder" && -c /dev/null ]] || fail "a directory or device was replaced"
# A link elsewhere is written through and stays a link.
mkdir "$work/exports"
ln -s exports/real.wav "$work/link.wav"
"$cli" "$work/one.tqxproj" "$work/link.wav" || fail "writing through a link exited $?"
[[ -L "$work/link.wav" ]] || fail "the link was replaced by a file"
expect_samples "$work/exports/real.wav" 100 200 -97 0

# --- clips left out: written with the rest, exit 4, each named ---
{
    header 44100 2
    track 0 2; clip 0 0 "$work/one.wav" $F0; clip 1 0 "$work/gone.wav" $F0
    track 1 1; clip 2 1 "$work/also-gone.wav" $F0
    equalizer_off
} > "$work/holes.tqxproj"
set +e
"$cli" "$work/holes.tqxproj" "$work/holes.wav" 2>"$work/err"; rc=$?
[[ $rc -eq 4 ]] || fail "a mixdown missing clips exited $rc, not 4"
grep -qx "tqx-mixdown: left out of the mix: $work/gone.wav" "$work/err" || fail "the missing clip was not named"
grep -qx "tqx-mixdown: left out of the mix: $work/also-gone.wav" "$work/err" || fail "the second missing clip was not named"
expect_samples "$work/holes.wav" 100 200 -97 0
"$cli" "$work/holes.tqxproj" "$work/track1.wav" --tracks 1 2>"$work/err"; rc=$?
[[ $rc -eq 4 ]] || fail "track 1 missing a clip exited $rc, not 4"
grep -c "left out of the mix" "$work/err" | grep -qx 1 || fail "a clip of another track was named as left out"
"$cli" "$work/holes.tqxproj" "$work/track2.wav" --tracks 2 2>/dev/null; rc=$?
[[ $rc -eq 4 ]] || fail "track 2 with its only clip missing exited $rc, not 4"
[[ ! -e "$work/track2.wav" ]] || fail "a mix of nothing but missing clips was written"
set -e

# --- no converter beside the program: nothing written, the earlier file stays ---
mkdir "$work/bare"
cp "$cli" "$work/bare/"
wave 1 44100 5 6 > "$work/mono.wav"
{ header 44100 1; track 0 1; clip 0 0 "$work/mono.wav" $F0; equalizer_off; } > "$work/mono.tqxproj"
printf 'earlier' > "$work/kept.wav"
set +e
"$work/bare/tqx-mixdown" "$work/mono.tqxproj" "$work/kept.wav" 2>"$work/err"; rc=$?
set -e
[[ $rc -eq 1 ]] || fail "a mixdown without the converter exited $rc, not 1"
grep -q 'Ravelin.dllの読み込みに失敗しました。' "$work/err" || fail "the missing converter was not named"
grep -q 'ファイルは書き込んでいません。同じ名前の以前のファイルはそのまま残っています。' "$work/err" \
    || fail "the discarded mixdown was not reported"
[[ "$(cat "$work/kept.wav")" == earlier ]] || fail "the earlier file was replaced"
"$cli" "$work/mono.tqxproj" "$work/mono-mix.wav" || fail "the mono mixdown with the converter exited $?"
expect_samples "$work/mono-mix.wav" 5 5 6 6

# --- a project far larger than the memory tqx-mixdown may use: its clips are read from their
# files a block at a time. Twenty minutes of (sparse) silence under a 128 MiB address space ---
{ wave_header 1 2 44100 176400 4 211680000; } > "$work/long.wav"
truncate -s $((44 + 211680000)) "$work/long.wav"
{ header 44100 1; track 0 1; clip 0 0 "$work/long.wav" $F0; equalizer_off; } > "$work/long.tqxproj"
( ulimit -v 131072; exec "$cli" "$work/long.tqxproj" "$work/long-mix.wav" ) \
    || fail "a twenty-minute mixdown within 128 MiB exited $?"
[[ $(stat -c %s "$work/long-mix.wav") -eq $((44 + 211680000)) ]] || fail "the twenty-minute mixdown is not twenty minutes long"
cmp -s -n 1000000 "$work/long.wav" "$work/long-mix.wav" || fail "the twenty-minute mixdown of silence is not silent"
rm -f "$work/long.wav" "$work/long-mix.wav"

# --- a mixdown killed half-way (past a 4 KiB file size limit) leaves a temporary that the
# next one removes ---
mkdir "$work/killed"
{ wave_header 1 2 44100 176400 4 40000; head -c 40000 /dev/zero; } > "$work/big.wav"
{ header 44100 1; track 0 1; clip 0 0 "$work/big.wav" $F0; equalizer_off; } > "$work/big.tqxproj"
set +e
{ ( ulimit -f 4; exec "$cli" "$work/big.tqxproj" "$work/killed/mix.wav" ); rc=$?; } 2>/dev/null
set -e
[[ $rc -gt 128 ]] || fail "the mixdown over the file size limit was not killed (exit $rc)"
[[ $(ls -A "$work/killed" | wc -l) -eq 1 && ! -e "$work/killed/mix.wav" ]] \
    || fail "the killed mixdown left $(ls -A "$work/killed") instead of one temporary"
"$cli" "$work/one.tqxproj" "$work/killed/other.wav" || fail "the mixdown after the killed one exited $?"
[[ "$(ls -A "$work/killed")" == other.wav ]] || fail "the killed mixdown's temporary was not removed"

"$cli" --help | grep -q -- '--tracks N,N' || fail "--help does not explain --tracks"

finish "tqx-mixdown"
