#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it (.clang-format at the top).
# ./scripts/check-format.sh --fix reformats the files in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests bench -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2> /tmp/check-format.$$; then
    grep -E '^[^ ].*: (error|warning):' /tmp/check-format.$$ | cut -d: -f1 | sort -u | head -20 | sed 's/^/check-format: differs: /' >&2
    rm -f /tmp/check-format.$$
    echo "check-format: run ./scripts/check-format.sh --fix" >&2
    exit 1
fi
rm -f /tmp/check-format.$$
echo "check-format: ${#files[@]} files as clang-format makes them"
