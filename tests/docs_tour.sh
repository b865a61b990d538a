#!/bin/sh
# docs_tour.sh README BUILD_DIR REPO_DIR -- runs each block of README's quick
# tour in a fresh folder holding the shipped examples and the workflow, with
# BUILD_DIR's programs first on the PATH; fails when one block fails.
#
# A tour block is an indented code block whose first line is `# tour`. Blocks
# run in order in the same folder, each in its own shell with -e and pipefail,
# so a command that fails anywhere in a block fails the block.
set -u
readme=$1 build=$2 repo=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-tour.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cp -R "$repo/examples" "$repo/workflow" "$work/" || exit 1

# One file per block: lines of a block keep their text without the 4-space
# indent (and without a CR, should the README have Windows line ends).
awk -v dir="$work" '
  function close_block() { if (out != "") { close(out); out = "" } }
  { sub(/\r$/, "") }
  /^    / {
    if (out == "" && !inside && $0 == "    # tour") { n++; out = sprintf("%s/block%02d.sh", dir, n) }
    inside = 1
    if (out != "") print substr($0, 5) > out
    next
  }
  { inside = 0; close_block() }
  END { close_block(); print n + 0 > (dir "/count") }
' "$readme" || exit 1

count=$(cat "$work/count")
if [ "$count" -eq 0 ]; then
  echo "no tour block (an indented block starting with '# tour') in $readme"
  exit 1
fi

PATH="$build:$PATH"
export PATH
cd "$work" || exit 1
status=0
for block in block*.sh; do
  if ! bash -e -o pipefail "$block" > "$block.log" 2>&1; then
    echo "--- tour block failed: $block"
    cat "$block"
    echo "--- its output"
    cat "$block.log"
    status=1
    break
  fi
done
[ $status -eq 0 ] && echo "$count tour blocks ran"
exit $status
