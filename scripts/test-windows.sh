#!/usr/bin/env bash
# Runs the Windows build under Wine: the unit tests (one .exe per folder), then
# the plug-in end to end as a Windows host sees it:
#  - calverine-render.exe loads Calverine.dll with LoadLibraryW and renders the
#    demo phrase; the samples must equal the Linux build's within 1e-5;
#  - the settings written by the tests are REG_BINARY values under
#    HKCU\Software\Brindle Audio\Calverine (read with `reg query`);
#  - the data folder appears in the Wine user's documents folder;
#  - the editor's screenshots at the three sizes (GDI+, skin images from the
#    DLL's PNG resources) match the Linux build's (cairo) in layout
#    (scripts/compare-png.py).
# Wine shows windows (the file dialogs' test) only on a display: without
# DISPLAY a private Xvfb is started.
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

xvfb=
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi' EXIT
if [ -z "${DISPLAY:-}" ]; then
  exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
  xvfb=$!
  read -r display <&3 || { echo "test-windows: FAILED: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$display
fi

if [ ! -d "$profile" ]; then
  mkdir -p "$HOME"
  "$wine" wineboot -i >/dev/null 2>&1
  # Wine makes the profile's folders links to the Unix home; the plug-in gets
  # real folders of its own instead.
  for link in "$profile"/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
fi

fail() { echo "test-windows: FAILED: $*" >&2; exit 1; }

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

echo "test-windows: all passed"
