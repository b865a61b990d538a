#!/bin/sh
# docs_tour_check.sh TOUR_SCRIPT BUILD_DIR REPO_DIR -- the tour runner itself:
# it must fail on a command that fails anywhere in a marked block, run only
# the marked blocks, and find the build's programs first on the PATH.
set -u
tour=$1 build=$2 repo=$3
dir=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-tour-check.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
bad=0

# expect NAME 0|1: runs the tour on $dir/NAME.md, wants that exit status class.
expect() {
  if sh "$tour" "$dir/$1.md" "$build" "$repo" > "$dir/$1.log" 2>&1; then got=0; else got=1; fi
  if [ "$got" -ne "$2" ]; then
    echo "FAIL $1: exit status class $got, expected $2"; cat "$dir/$1.log"; bad=1
  fi
}

printf 'A tour.\n\n    # tour\n    false\n    true\n' > "$dir/mid_block.md"
expect mid_block 1

printf 'A tour.\n\n    # tour\n    false | cat\n    true\n' > "$dir/pipe.md"
expect pipe 1

printf 'First.\n\n    # tour\n    true\n\nSecond.\n\n    # tour\n    test -f nothing-here\n' > "$dir/second_block.md"
expect second_block 1

printf 'No marker.\n\n    true\n' > "$dir/unmarked.md"
expect unmarked 1

# Unmarked blocks, and the marker further down a block, are prose only.
printf 'Usage.\n\n    false\n\nNot a tour block either.\n\n    echo\n    # tour\n    false\n\nTour.\n\n    # tour\n    true\n' > "$dir/prose.md"
expect prose 0

# Files a block writes are there for the next one; the examples are copied in.
printf '    # tour\n    mkdir -p t && cp examples/small.int t/x\n\nthen\n\n    # tour\n    test -s t/x\n' > "$dir/shared.md"
expect shared 0

printf '    # tour\n    test "$(command -v tamsel)" = "%s/tamsel"\n' "$build" > "$dir/path.md"
expect path 0

printf 'CRLF.\r\n\r\n    # tour\r\n    true\r\n' > "$dir/crlf.md"
expect crlf 0

[ $bad -eq 0 ] && echo "tour runner checks passed"
exit $bad
