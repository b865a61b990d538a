#!/bin/sh
# install_check.sh BUILD SCRATCH VERSION: installs the build under SCRATCH/prefix
# and checks the tree, the versions, the man pages and a run of the example,
# with the build folder out of reach (moved PATH, other working folder).
set -eu
build=$1 scratch=$2 version=$3
rm -rf "$scratch" && mkdir -p "$scratch"
p=$scratch/prefix
cmake --install "$build" --prefix "$p" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
# A release number, or one with the commit appended, usable as a Debian version.
echo "$version" | grep -Eq '^[0-9]+\.[0-9]+\.[0-9]+(\+g[0-9a-f]{7,})?$' || fail "odd version '$version'"
for f in bin/tamsel bin/tamsel-import bin/tamsel-plot share/tamsel/workflow/Snakefile \
         share/tamsel/workflow/scripts/gather.py share/tamsel/workflow/profiles/slurm \
         share/doc/tamsel/examples/small.int share/doc/tamsel/NEWS.md \
         share/man/man1/tamsel.1 share/man/man1/tamsel-import.1 share/man/man1/tamsel-plot.1; do
  [ -e "$p/$f" ] || fail "$f not installed"
done
[ -x "$p/bin/tamsel-plot" ] || fail "tamsel-plot not executable"
cd "$scratch"
# Every program and man page names the one configured version.
for prog in tamsel tamsel-import tamsel-plot; do
  out=$(env -i PATH=/usr/bin:/bin "$p/bin/$prog" --version 2>&1) || fail "$prog --version failed"
  case "$out" in "$prog $version"|"$prog $version "*) ;; *) fail "$prog --version printed '$out', not $version" ;; esac
  page=$p/share/man/man1/$prog.1
  grep -q "\"$prog $version\"" "$page" || fail "$prog.1 does not carry $version"
  for s in NAME SYNOPSIS DESCRIPTION OPTIONS FILES '"EXIT STATUS"' '"SEE ALSO"'; do
    grep -q "^\.SH $s\$" "$page" || fail "$prog.1 has no $s section"
  done
  # Each option --help lists is in the page.
  for o in $("$p/bin/$prog" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$(echo "$o" | sed 's/-/\\\\-/g')" "$page" || fail "$prog.1 lacks $o"
  done
  w=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot read $prog.1"
  [ -z "$w" ] || fail "man warns on $prog.1: $w"
done
[ -e "$p/bin/tamsel-report" ] && { "$p/bin/tamsel-report" --help >/dev/null || fail "tamsel-report --help"; }
# The installed program on the installed example gives the build's files.
ex=$p/share/doc/tamsel/examples
env -i PATH=/usr/bin:/bin "$p/bin/tamsel" -i "$ex/small.int" -o inst -c -p --vcf inst.vcf --quiet >/dev/null
"$build/tamsel" -i "$ex/small.int" -o ref -c -p --vcf ref.vcf --quiet >/dev/null
cmp inst_calls ref_calls && cmp inst_probs ref_probs || fail "installed run differs from the build's"
grep -q "^##source=tamsel $version\$" inst.vcf || fail "VCF header does not name $version"
# The installed plotter draws from the installed files alone.
env -i PATH=/usr/bin:/bin "$p/bin/tamsel-plot" -i "$ex/small.int" --calls inst_calls --worst 1 -o plots
[ -n "$(ls plots/*.png)" ] || fail "tamsel-plot drew nothing"
echo "install check passed: $version"
