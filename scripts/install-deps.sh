#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Korvel need.
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

packages=(
    build-essential cmake make
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-datavisualization-dev qt6-declarative-dev
    xvfb xauth libgl1-mesa-dri libglx-mesa0 fonts-dejavu-core
    qt6-translations-l10n locales
    nlohmann-json3-dev
    dpkg-dev desktop-file-utils appstream shared-mime-info librsvg2-bin file
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

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
