#!/usr/bin/env bash
# Installs the Debian packages that building and testing Calverine needs.
# Idempotent: does nothing when every package is present, and runs
# `apt-get update` at most once when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libzip-dev libkissfft-dev
  clang libclang-rt-14-dev
  librapidxml-dev
  libcairo2-dev libxcb1-dev libxcb-keysyms1-dev fonts-dejavu-core
  xvfb xauth xdotool x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
