#!/usr/bin/env bash
# Installs the Debian packages Tallo needs to build, test and benchmark.
# Idempotent: installs only what is missing, and runs `apt-get update` at most
# once, only when something has to be installed.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build make pkg-config clang libclang-rt-14-dev
  # libraries (DESIGN.md section 2)
  libicu-dev libsqlite3-dev sqlite3 zlib1g-dev libplist-dev
  libboost1.81-dev libboost-json1.81-dev
  libcurl4-openssl-dev libssl-dev libical-dev libavahi-client-dev
  libstb-dev libpng-dev libturbojpeg0-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # the service-publication test runs its own bus and Avahi daemon
  avahi-daemon dbus iproute2
  # browser journeys (tests/e2e): Debian's Chromium, driven by Playwright
  chromium
)

# Node.js and npm run the browser journeys; a machine that has them from
# elsewhere keeps its own, a machine without gets Debian's.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  PACKAGES+=(nodejs npm)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Playwright for the browser journeys, at the version package-lock.json pins.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ ! -d "$here/tests/e2e/node_modules/playwright-core" ]]; then
  echo "bootstrap: installing playwright-core for tests/e2e"
  npm ci --prefix "$here/tests/e2e" --no-audit --no-fund --loglevel=error
fi
