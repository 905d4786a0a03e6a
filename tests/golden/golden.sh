#!/usr/bin/env bash
# Golden dumps, one per file of ../shared/testdata and of the fuzz seed corpora that KOBA
# reads: `kobacli info --json` (paths as the tree names them) and a CRC (cksum) of every
# wavesample as `kobacli extract` writes it. Checks them, or with --update rewrites them after
# a reviewed change.
#   bash tests/golden/golden.sh KOBACLI [--update]
set -euo pipefail
kobacli=$(realpath "$1")
update=${2:-}
cd "$(dirname "$0")/../.."
dumps=tests/golden/dumps
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dump() {  # FILE NAME
    local json
    json=$("$kobacli" info "$1" --json 2>/dev/null) || return 1
    echo "# Written by KOBA's reader of this file: it pins behaviour against changes, not first-time faults."
    printf '%s\n' "${json//"$1"/"$2"}"
    rm -rf "$work/extract"
    "$kobacli" extract "$1" "$work/extract" >/dev/null 2>&1 || return 1
    # A file may hold no wavesample (a module whose sample slots are all empty).
    (cd "$work/extract" && shopt -s nullglob && files=(*) && if [ ${#files[@]} -gt 0 ]; then cksum -- "${files[@]}"; fi)
}

status=0
checked=0
for file in ../shared/testdata/*/* tests/fuzz/corpus/*/*; do
    case "$file" in */gen/* | *.md) continue ;; esac
    name=${file#../}
    name=${name#tests/fuzz/}
    stored=$dumps/$name.txt
    if ! now=$(dump "$file" "$name"); then
        [ -e "$stored" ] && { echo "no longer read: $file"; status=1; }
        continue
    fi
    checked=$((checked + 1))
    if [ "$update" = --update ]; then
        mkdir -p "$(dirname "$stored")"
        printf '%s\n' "$now" >"$stored"
    elif [ ! -e "$stored" ]; then
        echo "no dump for $file (run with --update after review)"; status=1
    elif ! diff -u "$stored" <(printf '%s\n' "$now"); then
        echo "changed: $file"; status=1
    fi
done
echo "$checked files checked"
exit $status
