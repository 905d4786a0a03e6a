#!/usr/bin/env bash
# Starts the real program on a file under Xvfb, grabs the screen to a PNG and checks that it is
# not blank; then opens the help (F1) and checks that its window shows the page's text, which
# only the real program's resources hold. Usage: screenshot_test.sh KOBA FILE OUT.png
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
unset QT_QPA_PLATFORM
# A known installation, so that no welcome box stands before the window.
mkdir -p "$XDG_DATA_HOME/VEK-Software/KOBA"
printf '"VersionNumber"="2.0"\n"Location"="%s"\n' "$1" >"$XDG_DATA_HOME/VEK-Software/KOBA/install.conf"
help=${3%.png}-help.png
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" "$1" & sleep 3; import -window root "$2"
    # No window manager runs here, so focus the main window (titled by its file) directly.
    xdotool search --sync --name "^$(basename "$1")" windowfocus --sync key F1; sleep 2
    import -window "$(timeout 10 xdotool search --sync --name "^KOBA Help$" | head -1)" "$3"; kill $!' "$1" "$2" "$3" "$help"
colours=$(identify -format %k "$3")
echo "screenshot $3: $colours colours"
[ "$colours" -gt 1 ]
# A page of text shows dozens of shades where an empty browser shows two or three.
colours=$(identify -format %k "$help")
echo "help window $help: $colours colours"
[ "$colours" -gt 16 ]
