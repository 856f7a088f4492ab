#!/usr/bin/env bash
# The plug-in editor inside a real host: Ardour 7 under Xvfb.
#
# Installs Ardour and the X tools from Debian packages, indexes
# build/Calverine.so with Ardour's VST scanner, creates a session with one
# MIDI track playing Calverine (headless, through ardour7-lua), opens it in
# Ardour on a private Xvfb display with its plug-in window showing, and then
# drives the editor as a person would: screenshot, a drag on one knob
# (recorded as touch automation while the transport rolls), closing the
# plug-in window and opening it again from the mixer strip, a second drag,
# and a clean quit. Screenshots and Ardour's log land in build/host-gui/.
#
# Not part of `make test`: Ardour is a large install. Run with `make gui-test`.
#
# Settings (environment):
#   BUILD            build folder holding Calverine.so            (build)
#   OUT              where screenshots and logs go          (BUILD/host-gui)
#   KNOB             knob centre in editor-frame pixels, "x,y"     (870,114: Volume)
#   PARAM            host parameter index the knob drives                 (1)
#   DRAG             pixels the knob is dragged up (then down again)    (120)
#   DELTA            expected parameter change for that drag           (0.25)
#   EDITOR_SIZE      editor frame size, "WxH"                       (1165x725)
#   STRIP            plug-in entry in Ardour's mixer strip, "x,y" relative to
#                    the main window; used to reopen the plug-in window
#                                                                    (331,187)
#   TIMEOUT          seconds a wait may take (twice that for Ardour's start) (90)
#   AUTOMATION       Ardour's automation mode for the knob's parameter: Off
#                    (the value is checked) or Touch (the transport rolls
#                    during the drag and the recorded automation is checked
#                    too). Ardour 7.3 crashes in Touch mode when a Linux VST
#                    editor begins an edit (see README), so the default is
#                    Off.                                               (Off)
#   KEEP_TMP=1       keep the temporary home, session and logs
set -eEuo pipefail

root_dir="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$root_dir/$BUILD" ;; esac
OUT="${OUT:-$BUILD/host-gui}"
KNOB="${KNOB:-870,114}"
PARAM="${PARAM:-1}"
DRAG="${DRAG:-120}"
DELTA="${DELTA:-0.25}"
EDITOR_SIZE="${EDITOR_SIZE:-1165x725}"
STRIP="${STRIP:-331,187}"
TIMEOUT="${TIMEOUT:-90}"
AUTOMATION="${AUTOMATION:-Off}"
case "$AUTOMATION" in Off|Touch) ;; *) echo "AUTOMATION must be Off or Touch" >&2; exit 2 ;; esac
SCREEN="1600x1000x24"

knob_x="${KNOB%,*}"; knob_y="${KNOB#*,}"
strip_x="${STRIP%,*}"; strip_y="${STRIP#*,}"

t_start=$(date +%s)
step_name=""
step_start=0
timings=()

step() {
  if [ -n "$step_name" ]; then
    timings+=("$(printf '%4ss  %s' $(( $(date +%s) - step_start )) "$step_name")")
  fi
  step_name="$1"
  step_start=$(date +%s)
  echo "== $step_name"
}

fail() {
  trap - ERR
  echo "FAIL [$step_name]: $*" >&2
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null 2>&1; then
    import -display "$DISPLAY" -window root "$OUT/failure-screen.png" 2>/dev/null &&
      echo "  the screen at the failure: $OUT/failure-screen.png" >&2
  fi
  if [ -n "${tmp:-}" ] && [ -f "$tmp/ardour.log" ]; then
    cp "$tmp/ardour.log" "$OUT/ardour.log" 2>/dev/null || true
    echo "  last lines of Ardour's log ($OUT/ardour.log):" >&2
    tail -n 15 "$tmp/ardour.log" | sed 's/^/    /' >&2
  fi
  echo "RESULT: FAIL (host editor test, step \"$step_name\")" >&2
  exit 1
}
trap 'fail "command failed (status $?): $BASH_COMMAND"' ERR

# Polls a command until it succeeds, at most $1 seconds.
wait_for() {
  local limit="$1"; shift
  local end=$(( $(date +%s) + limit ))
  while ! "$@" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.25
  done
}

# ---------------------------------------------------------------------------
step "install the Debian packages (ardour, xvfb, xdotool, x11-utils, imagemagick, openbox)"
packages=(ardour xvfb xauth xdotool x11-utils imagemagick openbox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing ${missing[*]}"
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq || fail "apt-get update failed"
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}" |
    grep -E '^(Need to get|After this operation)' || true
  for p in "${missing[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
      fail "package $p is still not installed"
  done
fi
scanner=$(ls /usr/lib/ardour7/ardour-vst-scanner 2>/dev/null || true)
[ -x "$scanner" ] || fail "Ardour 7's VST scanner /usr/lib/ardour7/ardour-vst-scanner is missing"
command -v ardour7-lua >/dev/null || fail "ardour7-lua (Ardour's headless Lua session) is missing"
command -v ardour >/dev/null || fail "the ardour command is missing"

# ---------------------------------------------------------------------------
step "prepare a private home, the plug-in folder and the output folder"
[ -f "$BUILD/Calverine.so" ] || fail "$BUILD/Calverine.so is missing: build it first (make build)"
mkdir -p "$OUT"
rm -f "$OUT"/*.png "$OUT"/ardour.log
tmp=$(mktemp -d /tmp/calverine-host-gui.XXXXXX)
pids=()
cleanup() {
  local pid
  for (( i=${#pids[@]}-1; i>=0; i-- )); do
    pid="${pids[$i]}"
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.25; done
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
  if [ "${KEEP_TMP:-0}" = 1 ]; then
    echo "kept $tmp"
  else
    rm -rf "$tmp"
  fi
}
trap cleanup EXIT

# Ardour keeps its settings, plug-in cache and recent sessions under HOME and
# the XDG folders: all of them live in the temporary folder.
export HOME="$tmp/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$XDG_CONFIG_HOME/ardour7" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
mkdir -p "$tmp/vst"
cp "$BUILD/Calverine.so" "$tmp/vst/Calverine.so"
# Ardour trusts the scanner's index only when it is newer than the plug-in
# file; a copy made in the same second as the scan would look stale.
touch -d "@$(( $(date +%s) - 60 ))" "$tmp/vst/Calverine.so"
export LXVST_PATH="$tmp/vst"
unset VST_PATH DISPLAY

# ---------------------------------------------------------------------------
step "index the plug-in with Ardour's VST scanner"
LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f -q "$tmp/vst/Calverine.so" > "$tmp/scan.log" 2>&1 ||
  { cat "$tmp/scan.log"; fail "ardour-vst-scanner could not load Calverine.so"; }
cache=$( { ls "$XDG_CACHE_HOME"/ardour7/vst/*.v2i 2>/dev/null || true; } | head -n 1)
[ -n "$cache" ] || fail "the scanner wrote no cache file under $XDG_CACHE_HOME/ardour7/vst"
grep -q 'name="Calverine"' "$cache" || fail "the scanner's index does not name Calverine: $(cat "$cache")"
grep -q 'is_instrument="1"' "$cache" || fail "the scanner does not see an instrument (is-synth flag)"
grep -q 'has_editor="1"' "$cache" || fail "the scanner sees no editor (effFlagsHasEditor)"
echo "indexed: $(grep -o '<VST2Info[^>]*>' "$cache")"

# ---------------------------------------------------------------------------
step "create a session with a MIDI track playing Calverine (ardour7-lua)"
session_dir="$tmp/session"
cat > "$tmp/create.lua" <<EOF
assert (AudioEngine:set_backend ("None (Dummy)", "", ""), "no Dummy backend")
local s = create_session ("$session_dir", "gui-test", 48000)
assert (s, "could not create the session")
local info = ARDOUR.LuaAPI.new_plugin_info ("Calverine", ARDOUR.PluginType.LXVST)
assert (not info:isnil (), "Ardour does not know the plug-in Calverine (LXVST)")
local tracks = s:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, info, nil, nil, 1, "Synth",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
for t in tracks:iter () do
	local p = t:nth_plugin (0)
	assert (not p:isnil (), "the track has no plug-in")
	-- In Touch mode Ardour records the parameter only between the
	-- plug-in's begin-edit and end-edit calls while the transport rolls.
	local ac = p:to_insert ():to_automatable ():automation_control (
		Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, $PARAM), false)
	assert (not ac:isnil (), "no automation control for parameter $PARAM")
	ac:set_automation_state (ARDOUR.AutoState.$AUTOMATION)
	print ("IDS", t:to_stateful ():id ():to_s (), p:to_stateful ():id ():to_s ())
	print ("VALUE", ARDOUR.LuaAPI.get_processor_param (p, $PARAM, true))
end
s:save_state ("", false, false, false, false, false)
close_session ()
EOF
(cd "$tmp" && timeout "$TIMEOUT" ardour7-lua "$tmp/create.lua") > "$tmp/create.log" 2>&1 ||
  { cat "$tmp/create.log"; fail "ardour7-lua could not create the session"; }
grep -q '^Error' "$tmp/create.log" && { cat "$tmp/create.log"; fail "the session script stopped with an error"; }
read -r _ route_id proc_id < <(grep '^IDS' "$tmp/create.log") ||
  { cat "$tmp/create.log"; fail "the session script did not report the track and plug-in ids"; }
value0=$(awk '/^VALUE/ {print $2}' "$tmp/create.log")
session_file="$session_dir/gui-test.ardour"
[ -f "$session_file" ] || fail "no session file $session_file"
grep -q "<Processor id=\"$proc_id\" name=\"Calverine\"" "$session_file" ||
  fail "the session file has no Calverine processor"
echo "track $route_id, plug-in $proc_id, parameter $PARAM = $value0"

# Ask Ardour to show the plug-in window when the session opens (the state it
# saves itself for a plug-in window left open), and to show the mixer page.
grep -q '<Extra>' "$session_file" && fail "unexpected <Extra> node in the new session"
sed -i "s|^</Session>|  <Extra>\n    <UI>\n      <Window name=\"P-$route_id-$proc_id\" visible=\"1\" x-off=\"0\" y-off=\"0\" custom-ui=\"1\"/>\n    </UI>\n  </Extra>\n</Session>|" "$session_file"
cat > "$session_dir/instant.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<instant>
  <Main x="125" y="131" w="1348" h="713" current-tab="mixer"/>
</instant>
EOF

# Ardour's own settings: not a first start, Dummy backend visible and
# started without asking.
touch "$XDG_CONFIG_HOME/ardour7/.a7"
cat > "$XDG_CONFIG_HOME/ardour7/config" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
EOF

# ---------------------------------------------------------------------------
step "start Xvfb and a window manager"
exec 9> "$tmp/display"
Xvfb -displayfd 9 -screen 0 "$SCREEN" -nolisten tcp > "$tmp/xvfb.log" 2>&1 &
pids+=($!)
exec 9>&-
wait_for 30 test -s "$tmp/display" || fail "Xvfb did not report a display within 30 s: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -n 1 "$tmp/display")"
echo "display $DISPLAY"
openbox --sm-disable > "$tmp/openbox.log" 2>&1 &
pids+=($!)
wait_for 30 xprop -root _NET_SUPPORTING_WM_CHECK ||
  fail "openbox did not take over the display within 30 s"
wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  fail "openbox did not announce itself"

# ---------------------------------------------------------------------------
step "open the session in Ardour; its plug-in window shows the editor"
ardour --no-splash --no-announcements "$session_file" > "$tmp/ardour.log" 2>&1 &
ardour_pid=$!
pids+=($ardour_pid)

# The plug-in window is titled "<track>: Calverine (by <maker>) [VST]"; the
# editor is the EDITOR_SIZE window somewhere below it.
is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# Finds the shown plug-in window and the editor inside it; sets $top and
# $editor. Windows come and go (tooltips), so callers poll this.
editor_shown() {
  local t e
  t=$(xwininfo -root -tree 2>/dev/null | awk '/"Synth: Calverine/ {print $1; exit}') || return 1
  [ -n "$t" ] || return 1
  e=$(xwininfo -children -tree -id "$t" 2>/dev/null |
    awk -v size="$EDITOR_SIZE" '$0 ~ " "size"[+-]" {print $1; exit}') || return 1
  [ -n "$e" ] && is_viewable "$t" && is_viewable "$e" || return 1
  top="$t"; editor="$e"
}
# "gui-test - Ardour", with a leading "*" while the session has unsaved changes
main_window() { { xdotool search --name 'gui-test - Ardour$' 2>/dev/null || true; } | head -n 1; }
alive() {
  kill -0 "$ardour_pid" 2>/dev/null ||
    fail "Ardour is gone: it crashed during this step"
}

# Ardour's start-up is the slow part (a minute on a busy two-core machine).
wait_for $(( 2 * TIMEOUT )) editor_shown || {
  kill -0 "$ardour_pid" 2>/dev/null || fail "Ardour exited before showing the plug-in window"
  fail "no viewable ${EDITOR_SIZE} editor window inside a \"Synth: Calverine\" window after $(( 2 * TIMEOUT )) s"
}
wait_for 30 sh -c "xdotool search --name 'gui-test - Ardour\$'" || fail "Ardour's main window did not appear"
grep -q 'Do \*not\* Emulate VST Bypass Port for Calverine' "$tmp/ardour.log" ||
  echo "note: Ardour's log does not mention loading Calverine"
echo "plug-in window $top, editor $editor ($(xwininfo -id "$editor" | awk '/geometry/ {print $2}'))"

# ---------------------------------------------------------------------------
step "screenshots of the editor inside Ardour's plug-in window"
sleep 1   # let the first frames reach the screen (nothing to poll for)
xdotool windowraise "$top"
import -window "$top" "$OUT/ardour-editor.png" || fail "import could not capture the plug-in window"
import -window root "$OUT/ardour-screen.png" || fail "import could not capture the screen"
abs_y() { xwininfo -id "$1" | awk '/Absolute upper-left Y/ {print $4}'; }
abs_x() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {print $4}'; }
spread=$(convert "$OUT/ardour-editor.png" \
  -crop "${EDITOR_SIZE}+$(( $(abs_x "$editor") - $(abs_x "$top") ))+$(( $(abs_y "$editor") - $(abs_y "$top") ))" \
  -colorspace Gray -format '%[fx:standard_deviation]' info:)
echo "editor screenshot: $OUT/ardour-editor.png (grey-level spread $spread)"
awk -v s="$spread" 'BEGIN {exit !(s > 0.02)}' || fail "the editor area of the screenshot is blank (spread $spread)"

# ---------------------------------------------------------------------------
# Saves the session from Ardour's main window (Ctrl+S) and waits until the
# file is rewritten.
save_session() {
  local before main
  before=$(stat -c %Y.%s "$session_file" 2>/dev/null; md5sum < "$session_file")
  alive
  main=$(main_window)
  [ -n "$main" ] || fail "Ardour's main window is gone"
  xdotool windowactivate --sync "$main" key ctrl+s
  wait_for 20 sh -c "[ \"\$(stat -c %Y.%s '$session_file'; md5sum < '$session_file')\" != '$before' ] && grep -q '</Session>' '$session_file'" ||
    fail "Ardour did not save the session within 20 s of Ctrl+S"
}
param_value() {
  sed -n "/<Processor id=\"$proc_id\"/,/<\/Processor>/p" "$session_file" |
    grep -o "<Controllable [^>]*parameter=\"$PARAM\"/>" | grep -o ' value="[^"]*"' | cut -d'"' -f2
}
# Largest and smallest value Ardour recorded for the parameter (touch automation).
automation_range() {
  sed -n "/<Processor id=\"$proc_id\"/,/<\/Processor>/p" "$session_file" |
    sed -n "/automation-id=\"parameter-$PARAM\"/,/<\/AutomationList>/p" |
    sed -n '/<events>/,/<\/events>/p' | sed 's/<[^>]*>//g' |
    awk 'NF == 2 {v=$2+0; if (n++ == 0 || v > hi) hi=v; if (n == 1 || v < lo) lo=v} END {if (n) print n, lo, hi; else print 0}'
}
transport() {  # Space in the main window starts or stops the transport
  local main
  alive
  main=$(main_window)
  [ -n "$main" ] || fail "Ardour's main window is gone"
  xdotool windowactivate --sync "$main" key space
}
drag_knob() {  # $1: +1 up, -1 down
  local steps=12 dy
  dy=$(( -$1 * DRAG / steps ))
  xdotool windowraise "$top"
  xdotool mousemove --window "$editor" "$knob_x" "$knob_y"
  sleep 0.2
  xdotool mousedown 1
  for _ in $(seq $steps); do xdotool mousemove_relative -- 0 "$dy"; sleep 0.03; done
  sleep 0.2
  xdotool mouseup 1
  sleep 0.3
  alive
}
near() { awk -v a="$1" -v b="$2" 'BEGIN {d=a-b; if (d<0) d=-d; exit !(d < 0.02)}'; }

if [ "$AUTOMATION" = Off ]; then
  step "drag the knob up ${DRAG} px; Ardour's parameter follows"
  drag_knob 1
else
  step "drag the knob up ${DRAG} px while the transport rolls ($AUTOMATION automation)"
  transport
  sleep 1
  drag_knob 1
  sleep 0.5
  transport
  sleep 1
fi
xdotool windowraise "$top"
import -window "$top" "$OUT/ardour-editor-after-drag.png" || true
save_session
value1=$(param_value)
expected1=$(awk -v a="$value0" -v d="$DELTA" 'BEGIN {print a+d}')
echo "parameter $PARAM: $value0 -> $value1 (expected $expected1)"
[ -n "$value1" ] || fail "the saved session has no value for parameter $PARAM"
near "$value1" "$expected1" || fail "after the drag Ardour holds $value1 for parameter $PARAM, expected $expected1"
if [ "$AUTOMATION" != Off ]; then
  read -r n_events lo hi < <(automation_range)
  echo "$AUTOMATION automation recorded: $n_events points, ${lo:-} .. ${hi:-}"
  [ "$n_events" -gt 0 ] || fail "Ardour recorded no automation while rolling"
  near "$hi" "$expected1" || fail "the recorded automation peaks at $hi, expected $expected1"
fi

# ---------------------------------------------------------------------------
step "close the plug-in window (window manager close, Alt+F4)"
xdotool windowactivate --sync "$top" key alt+F4
wait_for 20 sh -c "! xwininfo -id $top | grep -q 'Map State: IsViewable'" ||
  fail "the plug-in window is still shown 20 s after Alt+F4"
kill -0 "$ardour_pid" 2>/dev/null || fail "Ardour exited when the plug-in window closed"

# ---------------------------------------------------------------------------
step "reopen it with a double-click on the plug-in in the mixer strip"
main=$(main_window)
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" "$strip_x" "$strip_y" click --repeat 2 --delay 80 1
wait_for "$TIMEOUT" editor_shown || fail "no editor after double-clicking the mixer strip at ${STRIP} (main window); see the screen"
echo "plug-in window $top, editor $editor"
sleep 1
xdotool windowraise "$top"
import -window "$top" "$OUT/ardour-editor-reopened.png" || fail "import could not capture the reopened window"

step "drag the knob down ${DRAG} px in the reopened editor"
drag_knob -1
save_session
value2=$(param_value)
echo "parameter $PARAM: $value1 -> $value2 (expected $value0)"
near "$value2" "$value0" || fail "after the second drag Ardour holds $value2, expected $value0"

# ---------------------------------------------------------------------------
step "quit Ardour (Ctrl+Q) and check it exits cleanly"
alive
xdotool windowactivate --sync "$(main_window)" key ctrl+q
wait_for 60 sh -c "! kill -0 $ardour_pid" || fail "Ardour still runs 60 s after Ctrl+Q"
set +e; wait "$ardour_pid"; rc=$?; set -e
cp "$tmp/ardour.log" "$OUT/ardour.log"
[ "$rc" -eq 0 ] || fail "Ardour exited with status $rc"
grep -qiE 'segmentation|crash|terminate called' "$tmp/ardour.log" && fail "Ardour's log reports a crash"

step "done"
echo
echo "Timings:"
printf '  %s\n' "${timings[@]}"
echo "  total $(( $(date +%s) - t_start )) s"
echo "Screenshots: $OUT/ardour-editor.png, ardour-editor-after-drag.png, ardour-editor-reopened.png, ardour-screen.png"
echo "RESULT: PASS (Calverine's editor in Ardour: shown, knob drag reached the host ($AUTOMATION automation), closed, reopened, quit)"
