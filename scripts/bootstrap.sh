#!/usr/bin/env bash
# Installs the Debian and npm packages Tallo needs to build, test and
# benchmark, and makes the page's pictures and typeface from them.
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
  # bank statements (OFX/QFX) are read through libofx
  libofx-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # the journal export is checked against hledger's own balances
  hledger
  # the service-publication test runs its own bus and Avahi daemon
  avahi-daemon dbus iproute2
  # browser journeys (tests/e2e): Debian's Chromium, driven by Playwright
  chromium
  # the built-in pictures: scripts/make-pictures.py and librsvg's rasteriser
  python3 librsvg2-bin
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

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The npm packages of a folder, at the versions its package-lock.json pins;
# installed again whenever the lock file changes.
npm_packages() {
  local dir="$here/$1"
  if ! cmp -s "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json"; then
    echo "bootstrap: installing the npm packages of $1"
    npm ci --prefix "$dir" --no-audit --no-fund --loglevel=error
    cp "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json"
  fi
}
npm_packages assets      # the icon set, the typeface and the chart library of the page
npm_packages tests/e2e   # Playwright and the screenshot comparison

# The typeface: Inter's variable files, served by the program from web/fonts/.
inter="$here/assets/node_modules/@fontsource-variable/inter"
mkdir -p "$here/web/fonts"
cp -u "$inter"/files/inter-*-wght-normal.woff2 "$here/web/fonts/"
sed 's#url(./files/#url(./#' "$inter/wght.css" > "$here/web/fonts/inter.css"
cp -u "$inter/LICENSE" "$here/web/fonts/LICENSE-inter.txt"

# The chart library of the reports, served by the program from web/vendor/.
chart="$here/assets/node_modules/chart.js"
mkdir -p "$here/web/vendor"
cp -u "$chart/dist/chart.umd.min.js" "$here/web/vendor/"
cp -u "$chart/LICENSE.md" "$here/web/vendor/LICENSE-chart.js.md"

# The built-in pictures, rendered from their table when it or the icon set changed.
python3 "$here/scripts/make-pictures.py" --if-changed
