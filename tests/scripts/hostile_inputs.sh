#!/usr/bin/env bash
# Damaged and hostile clip and project files through tqx-mixdown, which opens a project the
# way the program does: each is refused with its message or read for what it really holds,
# within 2 GiB of address space and without waiting on anything.
# Usage: hostile_inputs.sh BUILD_BIN_DIR
cli="$1/tqx-mixdown"
source "$(dirname "$0")/lib/checks.sh"
source "$(dirname "$0")/lib/project_bytes.sh"

# mixdown PROJECT OUT : tqx-mixdown under the limits; stderr in $work/err, status in $rc.
mixdown() {
    set +e
    ( ulimit -v 2097152; exec timeout 30 "$cli" "$@" ) 2>"$work/err"
    rc=$?
    set -e
}
# project_of PATH... : a one-track project holding a clip for each path, all at 0 s.
project_of() {
    local slot=0
    header 44100 1; track 0 $#
    for p in "$@"; do clip $slot 0 "$p" $F0; slot=$((slot + 1)); done
    equalizer_off
}
zeros() { head -c "$1" /dev/zero; }

wave 2 44100 100 200 > "$work/good.wav"
wave 2 44100 100 200 > "$work/expected.wav"

# --- format records that would cost gigabytes if believed ---
# 4 KB claiming 65,535 channels: 1.1 GB of playback blocks each, eight of them.
{ wave_header 1 65535 44100 0 0 4000; zeros 4000; } > "$work/wide.wav"
wide=()
for i in 1 2 3 4 5 6 7 8; do cp "$work/wide.wav" "$work/wide$i.wav"; wide+=("$work/wide$i.wav"); done
project_of "$work/good.wav" "${wide[@]}" > "$work/wide.tqxproj"
mixdown "$work/wide.tqxproj" "$work/wide-mix.wav"
[[ $rc -eq 4 ]] || fail "eight 65,535-channel clips: exit $rc, not 4"
[[ $(grep -c 'チャンネル数 65535 には対応していません' "$work/err") -eq 8 ]] || fail "the channel count was not named eight times"
[[ $(grep -c 'left out of the mix' "$work/err") -eq 8 ]] || fail "the eight clips were not named as left out"
cmp -s "$work/wide-mix.wav" "$work/expected.wav" || fail "the good clip was not mixed alone"

# 45 KB claiming 1 Hz (converted x44,100 if believed), and 0 Hz.
for rate in 1 0; do
    { wave_header 1 1 "$rate" $((rate * 2)) 2 45000; zeros 45000; } > "$work/rate$rate.wav"
    project_of "$work/rate$rate.wav" > "$work/rate$rate.tqxproj"
    mixdown "$work/rate$rate.tqxproj" "$work/rate$rate-mix.wav"
    [[ $rc -eq 4 ]] || fail "a clip of $rate Hz: exit $rc, not 4"
    grep -q "エラー。ファイル「$work/rate$rate.wav」は読み込めません。" "$work/err" || fail "the $rate Hz clip was not named"
    grep -q "サンプリング周波数 $rate Hz には対応していません" "$work/err" || fail "the rate $rate was not named"
    [[ ! -e "$work/rate$rate-mix.wav" ]] || fail "a mix of nothing was written for $rate Hz"
done

# --- byte rates and block aligns at odds with the format: recomputed, the clip keeps its length ---
for fields in "0 4" "88200 4" "1 4" "176400 0"; do
    read -r byteRate blockAlign <<<"$fields"
    { wave_header 1 2 44100 "$byteRate" "$blockAlign" 35280; zeros 35280; } > "$work/odd.wav"
    project_of "$work/odd.wav" > "$work/odd.tqxproj"
    mixdown "$work/odd.tqxproj" "$work/odd-mix.wav"
    [[ $rc -eq 0 ]] || fail "byte rate $byteRate, block align $blockAlign: exit $rc, not 0"
    grep -q '注意: 形式情報が不正なため、チャンネル数とサンプリング周波数から計算し直しました。' "$work/err" \
        || fail "byte rate $byteRate, block align $blockAlign: no word of the recomputed format"
    [[ $(stat -c %s "$work/odd-mix.wav") -eq $((44 + 35280)) ]] \
        || fail "byte rate $byteRate, block align $blockAlign: the mix is not 0.2 s long"
done

# --- a data chunk claiming 4 GB in a 4 KB file gives what is there ---
{ wave_header 1 2 44100 176400 4 4294967280; zeros 4000; } > "$work/claims.wav"
project_of "$work/claims.wav" > "$work/claims.tqxproj"
mixdown "$work/claims.tqxproj" "$work/claims-mix.wav"
[[ $rc -eq 0 ]] || fail "a data chunk claiming 4 GB: exit $rc, not 0"
[[ $(stat -c %s "$work/claims-mix.wav") -eq 4044 ]] || fail "a data chunk claiming 4 GB was not read as 4,000 bytes"

# --- pipes and devices are refused at once instead of waited on ---
mkfifo "$work/pipe.wav" "$work/pipe.tqxproj"
project_of "$work/good.wav" "$work/pipe.wav" > "$work/piped.tqxproj"
mixdown "$work/piped.tqxproj" "$work/piped-mix.wav"
[[ $rc -eq 4 ]] || fail "a pipe as a clip: exit $rc, not 4"
grep -q "エラー。「$work/pipe.wav」は名前付きパイプです。" "$work/err" || fail "the pipe clip was not refused as a pipe"
cmp -s "$work/piped-mix.wav" "$work/expected.wav" || fail "the good clip beside the pipe was not mixed"
for project in "$work/pipe.tqxproj" /dev/zero; do
    mixdown "$project" "$work/none.wav"
    [[ $rc -eq 1 ]] || fail "$project as the project: exit $rc, not 1"
    grep -q "エラー。「$project」は" "$work/err" || fail "$project as the project was not refused with its kind"
done

# --- a project claiming a million tracks in a few bytes ---
{ header 44100 1000000; track 0 0; equalizer_off; } > "$work/many.tqxproj"
mixdown "$work/many.tqxproj" "$work/none.wav"
[[ $rc -eq 1 ]] || fail "a million claimed tracks: exit $rc, not 1"
grep -q 'エラー。プロジェクトファイルが壊れています。' "$work/err" || fail "the damaged track count was not reported"
[[ ! -e "$work/none.wav" ]] || fail "a refused project wrote a file"

finish "hostile inputs"
