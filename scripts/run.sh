#!/usr/bin/env bash
# Installs what is missing, builds KOBA and runs it on the bundled example: the command-line
# tool, then the window when there is a display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

example=build/example/koba-example.wav
out=build/example-output
mkdir -p "$out"
echo
echo "== kobacli info $example =="
build/kobacli info "$example"
echo
echo "== kobacli convert $example $out/koba-example-copy.wav =="
build/kobacli convert "$example" "$out/koba-example-copy.wav"
echo
echo "== kobacli extract $example $out/extracted =="
build/kobacli extract "$example" "$out/extracted"
echo
echo "The converted files are in $(cd "$out" && pwd)."

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo
  echo "== koba $example (close the window to finish) =="
  build/koba "$example"
else
  echo
  echo "No display here, so the KOBA window was not started; the command-line demo above shows the"
  echo "same file. On a desktop, run:  build/koba $example"
  echo "(or see it headless:  xvfb-run -a build/koba $example)"
fi
