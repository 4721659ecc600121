#!/usr/bin/env bash
# Installs the Debian packages the project needs; only what is missing, safe to rerun.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qtbase5-dev qtbase5-dev-tools
  libboost-dev libboost-thread-dev libboost-date-time-dev libboost-system-dev
  liblog4cxx-dev
  libmongoclient-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-microhei
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
