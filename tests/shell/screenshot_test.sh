#!/usr/bin/env bash
# Starts the real program on a file under Xvfb, grabs the screen to a PNG and checks that it is
# not blank. Usage: screenshot_test.sh KOBA FILE OUT.png
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
unset QT_QPA_PLATFORM
# A known installation, so that no welcome box stands before the window.
mkdir -p "$XDG_DATA_HOME/VEK-Software/KOBA"
printf '"VersionNumber"="2.0"\n"Location"="%s"\n' "$1" >"$XDG_DATA_HOME/VEK-Software/KOBA/install.conf"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '"$0" "$1" & sleep 3; import -window root "$2"; kill $!' "$@"
colours=$(identify -format %k "$3")
echo "screenshot $3: $colours colours"
[ "$colours" -gt 1 ]
