#!/usr/bin/env bash
# Installs every Debian package the build and the tests need; skips what is installed already.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libgtest-dev libgmock-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libavfilter-dev libavdevice-dev
  libavcodec-extra
  ffmpeg
  time
  libimlib2-dev fonts-dejavu-core
  qt6-base-dev qt6-multimedia-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  fonts-wqy-microhei xvfb xauth
  libcli11-dev nlohmann-json3-dev
  parallel man-db jq python3
  dpkg-dev file
)

# One query for all of them, so that a machine with everything installed is through at once:
# the packages dpkg knows as installed, then those of the list that are not among them.
declare -A installed=()
while read -r package status; do
  if [ "$status" = "install ok installed" ]; then
    installed[$package]=1
  fi
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)

missing=()
for package in "${packages[@]}"; do
  if [ -z "${installed[$package]:-}" ]; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
