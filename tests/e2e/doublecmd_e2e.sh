#!/usr/bin/env bash
# End to end in the real Double Commander: registers the freshly built
# TANSY_WFX.wfx in a private configuration, opens wfx://Tansy/ and every
# folder of the hotlist under a private X server, reads each listing back
# through the clipboard and compares it with the hotlist's own entries, then
# asks for a bookmark's properties and waits for the box. Screenshots and
# logs go to the artifacts folder.
#
#   doublecmd_e2e.sh [--install | --install-only] [--hotlist FILE] [--artifacts DIR] BUILD_DIR
#
# --install installs missing programs first (scripts/setup), --install-only
# does only that. Without them a missing program skips the test (exit 77),
# unless TANSY_E2E_REQUIRED=1 makes that a failure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
packages="doublecmd-gtk xvfb openbox xdotool xclip imagemagick"
tools=(doublecmd Xvfb openbox xdotool xclip import)

usage() { sed -n '9,14s/^# \{0,1\}//p' "$0" >&2; exit 2; }

install=no
hotlist=$root/data/sample.hotlist
artifacts=
build=
while [ $# -gt 0 ]; do
  case $1 in
    --install) install=yes ;;
    --install-only) install=only ;;
    --hotlist) hotlist=${2:?}; shift ;;
    --artifacts) artifacts=${2:?}; shift ;;
    -h|--help) usage ;;
    -*) echo "doublecmd_e2e: unknown option $1" >&2; usage ;;
    *) build=$1 ;;
  esac
  shift
done

missing_tools() {
  local t missing=()
  for t in "${tools[@]}"; do command -v "$t" >/dev/null || missing+=("$t"); done
  echo "${missing[*]}"
}
if [ "$install" != no ] && [ -n "$(missing_tools)" ]; then
  TANSY_SETUP_EXTRA="$packages" "$root/scripts/setup"
fi
[ "$install" = only ] && exit 0
[ -n "$build" ] || usage

missing=$(missing_tools)
if [ -n "$missing" ]; then
  echo "doublecmd_e2e: missing $missing (Debian packages: $packages)" >&2
  [ "${TANSY_E2E_REQUIRED:-0}" = 1 ] && exit 1
  echo "doublecmd_e2e: skipped" >&2
  exit 77
fi

build=$(cd "$build" && pwd)
library=$build/bin/TANSY_WFX.wfx
[ -f "$library" ] || { echo "doublecmd_e2e: no library at $library" >&2; exit 1; }
[ -f "$hotlist" ] || { echo "doublecmd_e2e: no hotlist at $hotlist" >&2; exit 1; }
hotlist=$(cd "$(dirname "$hotlist")" && pwd)/$(basename "$hotlist")
artifacts=${artifacts:-$build/e2e}
mkdir -p "$artifacts"
artifacts=$(cd "$artifacts" && pwd)
rm -f "$artifacts"/*.png "$artifacts"/*.log

work=$(mktemp -d "${TMPDIR:-/tmp}/tansy-e2e.XXXXXX")
pids=()
passed=0
failed=0

# Ends a process this script started: TERM, a bounded wait, then KILL.
stop_pid() {
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
  for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  local rc=$? i
  trap - EXIT INT TERM
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop_pid "${pids[i]}"; done
  for log in "$work"/*.log; do [ -f "$log" ] && cp "$log" "$artifacts/"; done
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

now() { date +%s%N; }

# Runs CMD until it succeeds or SECONDS pass; polls every 50 ms.
wait_for() {
  local seconds=$1
  shift
  local deadline=$(($(now) + seconds * 1000000000))
  until "$@"; do
    [ "$(now)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

check_alive() {
  kill -0 "$dc_pid" 2>/dev/null || {
    tail -n 30 "$work/doublecmd.log" >&2 || true
    fail "Double Commander is gone"
  }
}

# -- X server, window manager ------------------------------------------------

# -displayfd makes Xvfb pick a free display number and write it to fd 3.
Xvfb -displayfd 3 -screen 0 1200x900x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
have_display() { [ -s "$work/display" ] && grep -q '^[0-9][0-9]*$' "$work/display"; }
wait_for 15 have_display || fail "Xvfb did not start (see xvfb.log)"
export DISPLAY=:$(head -n 1 "$work/display")
echo "display $DISPLAY"

# Nothing of the user's own settings is read or written.
mkdir -p "$work/home"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
  XDG_DATA_HOME=$work/home/.local/share

# Without a window manager Double Commander waits for one on every start.
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 15 test -e "$work/wm-ready" || fail "openbox did not start (see openbox.log)"

# -- The plugin and the configuration -----------------------------------------

plugin=$work/plugin
mkdir -p "$plugin"
cp "$library" "$plugin/TANSY_WFX.wfx"
printf '[main]\nhotlist=%s\n' "$hotlist" >"$plugin/TANSY_WFX.ini"

tree=$(python3 "$here/hotlist_tree.py" "$hotlist" folders) || fail "cannot tell what the hotlist shows"
# Every folder that holds entries: an empty one shows nothing to compare.
mapfile -t folders < <(awk -F'\t' '$3 + $4 > 0 { print $1 }' <<<"$tree")
[ "${folders[0]:-}" = / ] || fail "the root holds no entries"
# The deepest folder holding a bookmark: its properties are asked for.
deepest=$(awk -F'\t' 'BEGIN { best = -1 } $3 > 0 && $2 > best { best = $2; path = $1 } END { print path }' <<<"$tree")
[ -n "$deepest" ] || fail "the hotlist holds no bookmark"

declare -A key_of
while IFS=$'\t' read -r key folder; do key_of[$folder]=$key; done < <(
  python3 "$here/doublecmd_config.py" "$work/config" "$plugin/TANSY_WFX.wfx" "${folders[@]:0:33}")

# -- Double Commander ----------------------------------------------------------

doublecmd --config-dir="$work/config" >"$work/doublecmd.log" 2>&1 &
dc_pid=$!
pids+=("$dc_pid")
main_window() { win=$(xdotool search --onlyvisible --name '^Double Commander' 2>/dev/null | head -n 1) && [ -n "$win" ]; }
wait_for 60 main_window || { check_alive; fail "no Double Commander window"; }
timeout 10 xdotool windowactivate --sync "$win" 2>/dev/null || true

# Keys with modifiers lose them when pressed at xdotool's default pace.
press() { xdotool key --delay 40 "$@"; }

# The names in the active panel, sorted: select all, copy names, read back.
clipboard_names() {
  press ctrl+a ctrl+shift+x
  xclip -o -selection clipboard 2>/dev/null | LC_ALL=C sort
}

# Opens FOLDER by its hotkey and waits until the panel lists what the
# hotlist holds there. The hotkey is pressed again every few seconds in case
# a key press was lost; going to the same folder again changes nothing.
check_folder() {
  local folder=$1 expected got= attempt
  expected=$(python3 "$here/hotlist_tree.py" "$hotlist" entries "$folder" | LC_ALL=C sort)
  same_names() { got=$(clipboard_names) && [ "$got" = "$expected" ]; }
  for attempt in 1 2 3 4 5; do
    press "${key_of[$folder]}"
    wait_for 4 same_names && break
  done
  if [ "$got" = "$expected" ]; then
    passed=$((passed + 1))
    echo "ok: $folder ($(wc -l <<<"$expected") entries)"
  else
    failed=$((failed + 1))
    echo "FAIL: $folder: the panel shows other names" >&2
    diff <(echo "$expected") <(echo "$got") | sed 's/^/  /' >&2 || true
  fi
  check_alive
}

# A screenshot with nothing selected: wait until copying names yields only
# the entry under the cursor, so the unselect has been painted.
screenshot() {
  press ctrl+shift+a
  unselected() { [ "$(press ctrl+shift+x; xclip -o -selection clipboard 2>/dev/null | wc -l)" -le 1 ]; }
  wait_for 10 unselected || true
  import -window root "$artifacts/$1"
}

for folder in "${folders[@]:0:33}"; do
  check_folder "$folder"
  [ "$folder" = / ] && screenshot listing-root.png
done
[ ${#folders[@]} -le 33 ] || echo "note: $((${#folders[@]} - 33)) more folders not opened (hotkeys)"

# -- Properties of a bookmark ----------------------------------------------------

# Folders come first in the panel, so End puts the cursor on a bookmark.
[ -n "${key_of[$deepest]:-}" ] || fail "no hotkey for $deepest"
check_folder "$deepest"
screenshot listing-folder.png
box_window() { box=$(xdotool search --onlyvisible --name '^Параметры закладки$' 2>/dev/null | head -n 1) && [ -n "$box" ]; }
# Pressed again only while no box is up, in case a key press was lost.
for attempt in 1 2 3; do
  press End alt+Return
  wait_for 5 box_window && break
done
if [ -n "${box:-}" ]; then
  passed=$((passed + 1))
  echo "ok: properties box in $deepest"
  import -window root "$artifacts/properties.png"
  timeout 10 xdotool windowactivate --sync "$box" 2>/dev/null || true
  press Return
  box_gone() { ! xdotool search --onlyvisible --name '^Параметры закладки$' >/dev/null 2>&1; }
  wait_for 10 box_gone || { failed=$((failed + 1)); echo "FAIL: the properties box does not close" >&2; }
else
  failed=$((failed + 1))
  echo "FAIL: no window titled \"Параметры закладки\" after Alt+Enter in $deepest" >&2
  import -window root "$artifacts/properties.png" || true
fi
check_alive

echo "screenshots: $artifacts"
echo "doublecmd e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
