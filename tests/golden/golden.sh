#!/usr/bin/env bash
# Checks (or with --update rewrites) the golden dumps under tests/golden/dumps/: one per file
# of ../shared/testdata and of the fuzz seed corpora that KOBA reads.
#   bash tests/golden/golden.sh KOBA_GOLDEN [--update]
set -euo pipefail
tool=$(realpath "$1")
update=${2:-}
cd "$(dirname "$0")/../.."
dumps=tests/golden/dumps
status=0
checked=0
for file in ../shared/testdata/*/* tests/fuzz/corpus/*/*; do
    case "$file" in */gen/* | *.md) continue ;; esac
    name=${file#../}
    name=${name#tests/fuzz/}
    dump=$dumps/${name}.json
    if ! now=$("$tool" "$file" "$name" 2>/dev/null); then
        [ -e "$dump" ] && { echo "no longer read: $file"; status=1; }
        continue
    fi
    checked=$((checked + 1))
    if [ "$update" = --update ]; then
        mkdir -p "$(dirname "$dump")"
        printf '%s\n' "$now" >"$dump"
    elif [ ! -e "$dump" ]; then
        echo "no dump for $file (run with --update after review)"; status=1
    elif ! diff -u "$dump" <(printf '%s\n' "$now") >/dev/null; then
        echo "changed: $file"; diff -u "$dump" <(printf '%s\n' "$now") | head -40; status=1
    fi
done
echo "$checked files checked"
exit $status
