# What every script test starts with: a scratch folder removed at exit, and failures counted
# by fail() and reported by finish(); source it.
set -euo pipefail
export LC_ALL=C

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# finish NAME : the script's verdict, as its exit status.
finish() {
    if [[ $failures -ne 0 ]]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "$1: all checks passed"
}
