#!/usr/bin/env bash
# tqx-play and tqx-record on command lines that are wrong or name no project: they say so
# and exit with the documented status, without a sound device.
# Usage: transport_tools_cli.sh BUILD_BIN_DIR
source "$(dirname "$0")/lib/checks.sh"
set +e
bin="$1"

expect() {  # STATUS COMMAND...: the command exits with STATUS and says something on stderr
    local want=$1; shift
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [[ $got -eq $want ]] || fail "$* exited $got, expected $want"
    if [[ $want -ne 0 ]]; then [[ -s "$work/err" ]] || fail "$* said nothing on stderr"; fi
}

for tool in tqx-play tqx-record; do
    expect 0 "$bin/$tool" --help
    grep -q "Usage: $tool" "$work/out" || fail "$tool --help shows no usage"
    expect 2 "$bin/$tool"
    expect 2 "$bin/$tool" "$work/a.tqxproj" --bogus
    expect 2 "$bin/$tool" "$work/a.tqxproj" --seconds
    expect 2 "$bin/$tool" "$work/a.tqxproj" --seconds -1 --tracks 1
    expect 2 "$bin/$tool" "$work/a.tqxproj" --from soon --tracks 1 --seconds 1
done
expect 2 "$bin/tqx-record" "$work/a.tqxproj" --seconds 1
expect 2 "$bin/tqx-record" "$work/a.tqxproj" --tracks 1
expect 2 "$bin/tqx-record" "$work/a.tqxproj" --tracks 0 --seconds 1
expect 1 "$bin/tqx-play" "$work/missing.tqxproj"
expect 1 "$bin/tqx-record" "$work/missing.tqxproj" --tracks 1 --seconds 1

finish "transport tools"
