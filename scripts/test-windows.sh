#!/usr/bin/env bash
# Runs the Windows build under Wine: the unit tests (one .exe per folder), then
# the plug-in end to end as a Windows host sees it:
#  - calverine-render.exe loads Calverine.dll with LoadLibraryW and renders the
#    demo phrase and the demo song (a MIDI file that changes programs of the
#    factory bank); the samples must equal the Linux build's within 1e-5;
#  - the settings written by the tests are REG_BINARY values under
#    HKCU\Software\Brindle Audio\Calverine (read with `reg query`);
#  - the data folder appears in the Wine user's documents folder;
#  - the editor's screenshots at the three sizes (GDI+, skin images from the
#    DLL's PNG resources) match the Linux build's (cairo) in layout
#    (scripts/compare-png.py);
#  - the editor opens in a Win32 window of a bare host
#    (calverine-editor-host.exe) on a private Xvfb display and is used with
#    real X input from xdotool: the window's screenshot matches the Linux
#    build's, a knob drag changes the host's parameter, the size menu
#    resizes the host window, and the editor closes cleanly.
# Wine shows windows (the window and file dialog tests, the editor host) on
# a private Xvfb display, so nothing appears on the user's screen.
# The Wine user has a name beyond ASCII, so every path the plug-in builds
# from the profile holds such characters.
#
# Usage: scripts/test-windows.sh <Windows build folder> <Linux build folder>
set -euo pipefail

win=$(realpath "${1:?usage: test-windows.sh <Windows build> <Linux build>}")
linux=$(realpath "${2:?usage: test-windows.sh <Windows build> <Linux build>}")
here=$(cd "$(dirname "$0")" && pwd)

wine=/usr/lib/wine/wine64
# The prefix, and the home folder Wine links the user's folders to, live in the
# build folder: nothing here touches the real home folder.
export WINEPREFIX=$win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME=$win/wine-home
export USER="Zoë Ångström"
profile=$WINEPREFIX/drive_c/users/$USER
documents="$profile/Documents"

fail() { echo "test-windows: FAILED: $*" >&2; exit 1; }
wait_for() {  # seconds, command...: true once the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do [ $SECONDS -lt $until ] || return 1; sleep 0.2; done
}

# The display comes first: Wine keeps the desktop of its first process
# (wineboot, in a new prefix) for the whole session, and a desktop made
# without a display makes no windows.
tmp=$(mktemp -d)
exec 9> "$tmp/display"
Xvfb -displayfd 9 -screen 0 1920x1200x24 -nolisten tcp > "$tmp/xvfb.log" 2>&1 &
xvfb=$!
exec 9>&-
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT
wait_for 30 test -s "$tmp/display" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -n 1 "$tmp/display")"

if [ ! -d "$profile" ]; then
  mkdir -p "$HOME"
  "$wine" wineboot -i >/dev/null 2>&1
  # Wine makes the profile's folders links to the Unix home; the plug-in gets
  # real folders of its own instead.
  for link in "$profile"/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
fi

echo "== unit tests under Wine"
(cd "$win" && ctest --output-on-failure -j 2)

echo "== settings in the registry"
key='HKCU\Software\Brindle Audio\Calverine'
query=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r') || fail "no registry key $key"
for value in uisize plock plockcnt; do
  grep -Eq "^ +$value +REG_BINARY +[0-9A-F]+$" <<<"$query" || fail "no REG_BINARY value $value in $key"
done
echo "$query" | sed 's/^/  /' | cut -c1-100

echo "== the demo phrase rendered by both builds"
rm -rf "$documents/Brindle Audio"
(cd "$linux" && CALVERINE_DATA_DIR=$win/linux-home/data CALVERINE_SETTINGS_DIR=$win/linux-home/settings \
  ./calverine-render Calverine.so --param 1=0.42 --param 4=1 --float --quiet -o demo-linux.wav)
(cd "$win" && "$wine" ./calverine-render.exe Calverine.dll --param 1=0.42 --param 4=1 --float --quiet -o demo-windows.wav)
python3 "$here/compare-wav.py" "$linux/demo-linux.wav" "$win/demo-windows.wav" 1e-5

echo "== the demo song (a MIDI file with program changes) rendered by both builds"
# Both read the Linux build's factory bank and no stored locks.
# The Windows build reads it from a name beyond its ANSI code page.
song=$(realpath "$here/../factory/demo/showcase.mid")
cp "$song" "$win/Démo Ωmega.mid"
export CALVERINE_DATA_DIR="Z:$linux/factory/" CALVERINE_SETTINGS_DIR="Z:$win/song-settings"
(cd "$win" && "$wine" ./calverine-render.exe Calverine.dll "Démo Ωmega.mid" --float --quiet -o song-windows.wav)
export CALVERINE_DATA_DIR="$linux/factory/" CALVERINE_SETTINGS_DIR="$win/song-settings-linux"
(cd "$linux" && ./calverine-render Calverine.so "$song" --float --quiet -o song-linux.wav)
unset CALVERINE_DATA_DIR CALVERINE_SETTINGS_DIR
python3 "$here/compare-wav.py" "$linux/song-linux.wav" "$win/song-windows.wav" 1e-5

echo "== the data folder in the user's documents"
[ -d "$documents/Brindle Audio/Calverine/Soundbanks" ] || fail "no data folder in $documents"
echo "  $(cd "$documents" && find "Brindle Audio" -maxdepth 2 -type d | tr '\n' ' ')"
echo "== the editor's screenshots by both builds"
# Glyphs differ between cairo and GDI+, and antialiased edges by a few
# levels; text covers a few per cent of the editor. A misplaced or missing
# control or image moves far more: at most 1 level of mean difference per
# channel, and 1% of the pixels more than 48 levels apart.
for size in small medium large; do
  (cd "$linux" && ./calverine-render Calverine.so --screenshot "screenshot-$size.png" --ui-size $size --quiet)
  (cd "$win" && "$wine" ./calverine-render.exe Calverine.dll --screenshot "screenshot-$size.png" --ui-size $size --quiet)
  echo "  $size:"
  python3 "$here/compare-png.py" "$linux/screenshot-$size.png" "$win/screenshot-$size.png" 1 1 ||
    fail "the $size screenshot differs from the Linux build's"
done

echo "== the editor in a Win32 window, used with real X input"
host_log=$win/editor-host.log
quit=$win/editor-host.quit
rm -f "$quit"
: > "$host_log"
"$wine" reg delete "$key" /v uisize /f >/dev/null 2>&1 || true  # the Medium size
(cd "$win" && exec "$wine" ./calverine-editor-host.exe Calverine.dll "Z:$quit" 1) > "$host_log" 2>&1 &
host=$!
wait_for 60 grep -q '^open ' "$host_log" || fail "the editor did not open: $(cat "$host_log")"
grep -q '^open 1165x725$' "$host_log" || fail "the editor opened at another size: $(head -n 1 "$host_log")"
wait_for 10 xdotool search --name 'Calverine editor host' || fail "no host window on the display"
window=$(xdotool search --name 'Calverine editor host' | head -n 1)
sleep 1  # the first frames
import -window "$window" -depth 8 "PNG24:$win/window-medium.png"
echo "  the window against the Linux screenshot:"
python3 "$here/compare-png.py" "$linux/screenshot-medium.png" "$win/window-medium.png" 1 1 ||
  fail "the editor window differs from the Linux screenshot"

# The Volume knob (host parameter 1) dragged up 120 pixels: 0.5 + 120/480.
xdotool mousemove --window "$window" 870 114 sleep 0.2 mousedown 1
for _ in $(seq 12); do xdotool mousemove_relative -- 0 -10 sleep 0.03; done
xdotool mouseup 1
# The size menu, then "Large": the editor asks the host for a larger window.
xdotool mousemove --window "$window" 1054 34 sleep 0.2 click 1 sleep 0.5
xdotool mousemove --window "$window" 1056 104 sleep 0.2 click 1
wait_for 10 grep -q '^size ' "$host_log" || fail "the size menu did not resize the editor: $(cat "$host_log")"
sleep 1
import -window "$window" -depth 8 "PNG24:$win/window-large.png"
touch "$quit"
wait "$host" || fail "the editor host failed: $(cat "$host_log")"
sed 's/^/  /' "$host_log"
grep -q '^size 1631x1015$' "$host_log" || fail "the Large editor is not 1631x1015"
python3 - "$host_log" <<'PY' || fail "the knob drag did not move parameter 1 from 0.5 to about 0.75"
import sys
values = [float(line.split()[2]) for line in open(sys.argv[1]) if line.startswith("param 1 ")]
sys.exit(0 if len(values) == 2 and values[0] == 0.5 and 0.7 <= values[1] <= 0.8 else 1)
PY
grep -q '^closed$' "$host_log" || fail "the editor host did not close the plug-in"
python3 "$here/compare-png.py" "$linux/screenshot-large.png" "$win/window-large.png" 1 1 >/dev/null ||
  fail "the Large editor window differs from the Linux screenshot"

echo "test-windows: all passed"
