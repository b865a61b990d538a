#!/bin/sh
# Builds the Debian package, installs it with apt-get, runs the installed
# /usr/bin/tamsel on the installed example, compares with the build's output,
# then removes the package. Needs root (or sudo).
set -e
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if dpkg-query -W -f='${Status}' tamsel 2>/dev/null | grep -q "ok installed"; then
  echo "package-test: a tamsel package is installed already; not touching it" >&2
  exit 1
fi
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DTAMSEL_TESTS=OFF >/dev/null
cmake --build build-pkg -j2
(cd build-pkg && rm -f tamsel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls build-pkg/tamsel_*.deb)
echo "package-test: $deb"
dpkg-deb -f "$deb" Package Version Depends Suggests
trap '$SUDO apt-get remove -y -qq tamsel >/dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "./$deb" >/dev/null
work=$(mktemp -d)
ex=/usr/share/doc/tamsel/examples
/usr/bin/tamsel --version
(cd "$work" && /usr/bin/tamsel -i $ex/small.int -o inst -c -p -a --quiet >/dev/null &&
  "$OLDPWD/build-pkg/tamsel" -i $ex/small.int -o ref -c -p -a --quiet >/dev/null &&
  cmp inst_calls ref_calls && cmp inst_probs ref_probs)
man --warnings -l /usr/share/man/man1/tamsel.1 >/dev/null
rm -rf "$work"
echo "package-test: installed package gives the build's output"
