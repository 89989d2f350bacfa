#!/usr/bin/env bash
# tqx-mixdown on projects whose files this script writes byte by byte.
# Usage: tqx_mixdown_cli.sh BUILD_BIN_DIR
set -euo pipefail
export LC_ALL=C

cli="$1/tqx-mixdown"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Little-endian fields.
le16() { printf "$(printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)))"; }
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
u8() { printf "$(printf '\\x%02x' "$1")"; }
text() { le32 ${#1}; printf '%s' "$1"; }
F1=0x3F800000  # 1.0f
F0=0           # 0.0f

# wave CHANNELS RATE SAMPLE... : a 16-bit PCM WAVE file with a 44-byte header on stdout.
wave() {
    local ch=$1 rate=$2; shift 2
    local bytes=$(($# * 2))
    printf 'RIFF'; le32 $((bytes + 36)); printf 'WAVEfmt '; le32 16
    le16 1; le16 "$ch"; le32 "$rate"; le32 $((rate * ch * 2)); le16 $((ch * 2)); le16 16
    printf 'data'; le32 "$bytes"
    for s in "$@"; do le16 $((s & 0xFFFF)); done
}

# project header: RATE TRACKCOUNT
header() { le32 201202; le32 20121001; le32 "$1"; le32 -1; le32 0; le32 -1; le32 0; le32 0; le32 "$2"; }
# track SLOT CLIPCOUNT, then the clip records: clip SLOT TRACK PATH START_BITS
track() { le32 "$1"; text "Track$1"; le32 1; le32 $F1; le32 $F0; le32 $F0; le32 -1; le32 -1; u8 0; u8 0; u8 0; le32 "$2"; }
clip() { le32 "$1"; le32 "$2"; text "$3"; le32 "$4"; }
equalizer_off() { u8 0; le32 0; for _ in 1 2 3 4 5 6 7 8 9 10; do le32 0; done; }

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

"$cli" --help | grep -q -- '--tracks N,N' || fail "--help does not explain --tracks"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "tqx-mixdown: all checks passed"
