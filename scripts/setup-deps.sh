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

# Only the side-by-side benchmark (bench/PeerBench) uses these; a mirror
# without them must not stop the build.
OPTIONAL_PACKAGES=(libqcustomplot-dev libqt5charts5-dev)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

optional=()
for p in "${OPTIONAL_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    optional+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ ${#optional[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  $SUDO apt-get update -qq || true
fi
# One by one, so a package the mirror lacks does not keep the other out.
for p in "${optional[@]}"; do
  echo "setup-deps: installing optional $p"
  if ! $SUDO apt-get install -y -qq --no-install-recommends "$p"; then
    echo "setup-deps: optional $p not installed; bench/PeerBench will not be built"
  fi
done
