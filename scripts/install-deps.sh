#!/usr/bin/env bash
# Installs what building and testing KOBA needs on Debian 12 (run as root). Quick when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  nlohmann-json3-dev
  sox libsox-fmt-all libsndfile1-dev sndfile-programs
  freepats timidity libxmp-dev tecnoballz-data powermanga-data awesfx timgm6mb-soundfont
  fluidsynth libinstpatch-dev polyphone
  xdg-utils desktop-file-utils shared-mime-info
  qt6-base-dev xvfb xauth imagemagick xdotool xclip
  librtaudio-dev librtmidi-dev libjack-jackd2-dev jackd2 pulseaudio pulseaudio-utils libasound2-plugins
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi
