#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and nothing when it is all there.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  qtbase5-dev qtbase5-dev-tools
  libqt5serialport5-dev libqt5svg5-dev
  qttools5-dev qttools5-dev-tools
  libqcustomplot-dev libquazip1-qt5-dev
  clang libclang-rt-dev
  socat xvfb xauth
  dpkg-dev desktop-file-utils  # make package and its test: dpkg-shlibdeps, desktop-file-validate
  fonts-wqy-microhei            # a CJK font, so the Chinese interface shows its text
  libqt5sql5-sqlite libqt5sql5-psql  # the production record: its local SQLite file, a line's PostgreSQL server
  postgresql                    # the record tests start a throw-away server cluster of their own
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

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
