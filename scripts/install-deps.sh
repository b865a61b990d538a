#!/bin/sh
# Installs what tamsel needs to build and test, from Debian's packages, when missing.
set -e
pkgs="cmake make g++ binutils pkg-config libnewmat10-dev libboost-math-dev libgtest-dev libhts-dev libzip-dev tabix bcftools plink1.9 plink2 python3-matplotlib snakemake clang libclang-rt-dev help2man dpkg-dev"
# The QC report gathered by MultiQC, and rendered headless in its tests.
pkgs="$pkgs multiqc chromium"
# A one-node SLURM for tests/slurm/run.sh.
pkgs="$pkgs slurm-wlm munge"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
