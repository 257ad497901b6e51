#!/usr/bin/env bash
# End to end in the real Double Commander, under a private X server. For each
# hotlist (by default the bundled sample, then unicode.hotlist beside this
# script: CJK, emoji, Greek and accented names, a byte that is no UTF-8, a
# name longer than the 259 UTF-16 units of the name field), it registers the
# freshly built TANSY_WFX.wfx in a private configuration and
# - opens wfx://Tansy/ and every folder, reads each listing back through the
#   clipboard and compares it with the hotlist's own entries;
# - counts everything in the root and in a folder with sub-folders
#   (Alt+Shift+Enter), and sizes that folder with Space, against
#   `tansy count` and the hotlist's own totals;
# - asks for the properties of the deepest folder's first bookmark and waits
#   for the box (whose text Double Commander does not copy: the screenshot
#   shows it).
# Screenshots and logs go to the artifacts folder.
#
#   doublecmd_e2e.sh [--install | --install-only] [--hotlist FILE]... [--artifacts DIR] BUILD_DIR
#
# --hotlist, once or more, runs those hotlists instead. --install installs
# what is missing first (scripts/setup), --install-only does only that.
# Without them a missing program skips the test (exit 77), unless
# TANSY_E2E_REQUIRED=1 makes that a failure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# The fonts are for the screenshots' CJK and emoji only.
packages="doublecmd-gtk xvfb openbox xdotool xclip imagemagick fonts-wqy-microhei fonts-symbola"
tools=(doublecmd Xvfb openbox xdotool xclip import convert)

usage() { sed -n '17,23s/^# \{0,1\}//p' "$0" >&2; exit 2; }

install=no
hotlists=()
artifacts=
build=
while [ $# -gt 0 ]; do
  case $1 in
    --install) install=yes ;;
    --install-only) install=only ;;
    --hotlist) hotlists+=("${2:?}"); shift ;;
    --artifacts) artifacts=${2:?}; shift ;;
    -h|--help) usage ;;
    -*) echo "doublecmd_e2e: unknown option $1" >&2; usage ;;
    *) build=$1 ;;
  esac
  shift
done
[ ${#hotlists[@]} -gt 0 ] || hotlists=("$root/data/sample.hotlist" "$here/unicode.hotlist")

missing_tools() {
  local t missing=()
  for t in "${tools[@]}"; do command -v "$t" >/dev/null || missing+=("$t"); done
  echo "${missing[*]}"
}
# scripts/setup installs only what is missing, fonts included.
[ "$install" = no ] || TANSY_SETUP_EXTRA="$packages" "$root/scripts/setup" native
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
tansy=$build/bin/tansy
for f in "$library" "$tansy" "${hotlists[@]}"; do
  [ -f "$f" ] || { echo "doublecmd_e2e: no file $f" >&2; exit 1; }
done
artifacts=${artifacts:-$build/e2e}
mkdir -p "$artifacts"
artifacts=$(cd "$artifacts" && pwd)
rm -f "$artifacts"/*.png "$artifacts"/*.log

work=$(mktemp -d "${TMPDIR:-/tmp}/tansy-e2e.XXXXXX")
pids=()
dc_pid=
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
  [ -z "$dc_pid" ] || stop_pid "$dc_pid"
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

ok() {
  passed=$((passed + 1))
  echo "ok: $*"
}

not_ok() {
  failed=$((failed + 1))
  echo "FAIL: $*" >&2
}

check_alive() {
  kill -0 "$dc_pid" 2>/dev/null || {
    tail -n 30 "$work/doublecmd-$name.log" >&2 || true
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

# Nothing of the user's own settings is read or written; Double Commander
# speaks English, whose count box the test reads.
mkdir -p "$work/home"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
  XDG_DATA_HOME=$work/home/.local/share LANG=C.UTF-8 LC_ALL=C.UTF-8 LANGUAGE=

# Without a window manager Double Commander waits for one on every start.
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 15 test -e "$work/wm-ready" || fail "openbox did not start (see openbox.log)"

# -- Keys, clipboard, screenshots ---------------------------------------------

# Keys with modifiers lose them when pressed at xdotool's default pace.
press() { xdotool key --delay 40 "$@"; }

# Keys go to the main window again: when a box closes, the window manager
# may leave the focus nowhere.
focus_main() { timeout 10 xdotool windowactivate --sync "$win" 2>/dev/null || true; }

clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# Presses KEYS, which copy text, and sets `copied` to it. The clipboard holds
# a mark before, so a copy that has not yet happened is never read as done.
sentinel="tansy e2e: nothing copied yet"
copy_with() {
  printf '%s' "$sentinel" | xclip -i -selection clipboard >/dev/null 2>&1
  press "$@"
  copy_done() { copied=$(clipboard) && [ "$copied" != "$sentinel" ]; }
  wait_for 5 copy_done
}

# The names in the active panel, sorted: select all, copy names, read back.
clipboard_names() {
  press ctrl+a ctrl+shift+x
  clipboard | LC_ALL=C sort
}

# The name under the cursor: nothing selected, cm_CopyNamesToClip copies it.
name_under_cursor() { copy_with ctrl+shift+x && printf '%s\n' "$copied"; }

# The screen as it is, cut to GEOMETRY (WxH+X+Y, the whole screen without).
screenshot() {
  local file=$artifacts/$1
  import -window root "$file"
  [ -z "${2:-}" ] || convert "$file" -crop "$2" +repage "$file"
}

# The active (left) panel with its tab and status line.
panel=598x720+0+125

# The panel and the window BOX over it.
panel_and_box() {
  local X Y WIDTH HEIGHT SCREEN WINDOW right bottom
  eval "$(xdotool getwindowgeometry --shell "$1")"
  right=$((X + WIDTH + 5)) bottom=$((Y + HEIGHT + 5))
  echo "$((right > 598 ? right : 598))x$((bottom > 845 ? bottom - 125 : 720))+0+125"
}

# A screenshot of the panel with nothing selected: wait until copying names
# yields only the entry under the cursor, so the unselect has been painted.
panel_screenshot() {
  press ctrl+shift+a
  unselected() { [ "$(press ctrl+shift+x; clipboard | wc -l)" -le 1 ]; }
  wait_for 10 unselected || true
  screenshot "$1" "$panel"
}

# -- Checks --------------------------------------------------------------------

# Opens FOLDER by its hotkey and waits until the panel lists what the
# hotlist holds there. The hotkey is pressed again every few seconds in case
# a key press was lost; going to the same folder again changes nothing.
check_folder() {
  local folder=$1 expected got= attempt
  expected=$(python3 "$here/hotlist_tree.py" "$hotlist" entries "$folder" | LC_ALL=C sort)
  same_names() { got=$(clipboard_names) && [ "$got" = "$expected" ]; }
  for attempt in 1 2 3 4 5; do
    focus_main
    press "${key_of[$folder]}"
    wait_for 4 same_names && break
  done
  if [ "$got" = "$expected" ]; then
    ok "$folder ($(wc -l <<<"$expected") entries)"
  else
    not_ok "$folder: the panel shows other names"
    diff <(echo "$expected") <(echo "$got") | sed 's/^/  /' >&2 || true
  fi
  check_alive
}

# tansy's totals for FOLDER from the same library and hotlist, as
# "BOOKMARKS<TAB>FOLDERS<TAB>SIZE": its recursive walk lists each
# sub-folder inside its parent's listing and, like Double Commander, names
# folders through the Unicode exports.
tansy_count() {
  "$tansy" --plugin "$plugin/TANSY_WFX.wfx" count --json "$1" | python3 -c '
import json, sys
count = json.load(sys.stdin)
print("\t".join(str(count[key]) for key in ("bookmarks", "folders", "size")))'
}


# The count box: Double Commander's own message box, captioned "Double
# Commander" like its main window (which as root adds a note).
# The first visible window other than the main one whose title matches
# PATTERN, into `box`.
find_box() {
  local found
  found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null) || true
  box=$(grep -vx "$win" <<<"$found" | head -n 1) || true
  [ -n "$box" ]
}
count_box_window() { find_box '^Double Commander$'; }
box_gone() { ! find_box "$1"; }

# Counts everything in FOLDER as a user does: open it, select all,
# Alt+Shift+Enter. Ctrl+C in the box copies its caption and text, "Files: N,
# Dirs: N, Size: S (N bytes)": Files counts the bookmarks and Dirs the
# folders below FOLDER, all the way down; the bytes add up the bookmarks'
# sizes. Each figure must be the hotlist's and tansy's.
check_count() {
  local folder=$1 shot=${2:-} expected from_tansy figures attempt
  expected=$(python3 "$here/hotlist_tree.py" "$hotlist" count "$folder")
  check_folder "$folder"
  box=
  # Pressed again only if no box came at all: a second count would show a
  # second box.
  for attempt in 1 2; do
    press ctrl+a alt+shift+Return
    wait_for 15 count_box_window && break
  done
  if [ -z "$box" ]; then
    not_ok "no count box after Alt+Shift+Enter in $folder"
    screenshot "$name-count-failure.png"
    check_alive
    return
  fi
  timeout 10 xdotool windowactivate --sync "$box" 2>/dev/null || true
  for attempt in 1 2 3; do copy_with ctrl+c && break; done
  # Thousands separators dropped: "4,389" is 4389.
  figures=$(sed -n 's/^Files: \([0-9]*\), Dirs: \([0-9]*\), Size: .*(\([0-9].*\) bytes)$/\1\t\2\t\3/p' \
    <<<"$copied" | tr -d ',. \302\240')
  [ -z "$shot" ] || screenshot "$shot" "$(panel_and_box "$box")"
  press Return
  wait_for 10 box_gone '^Double Commander$' || not_ok "the count box does not close"
  focus_main
  if [ "$figures" != "$expected" ]; then
    not_ok "count of $folder: Double Commander shows \"$(tail -n 1 <<<"$copied")\", the hotlist holds" \
      "$(tr '\t' ' ' <<<"$expected") (bookmarks, folders, size)"
  elif ! from_tansy=$(tansy_count "$folder"); then
    not_ok "count of $folder: tansy count failed"
  elif [ "$from_tansy" != "$figures" ]; then
    not_ok "count of $folder: tansy counts $(tr '\t' ' ' <<<"$from_tansy"), Double Commander" \
      "$(tr '\t' ' ' <<<"$figures")"
  else
    ok "count of $folder: $(tail -n 1 <<<"$copied"), as tansy counts"
  fi
  check_alive
}

# Space on FOLDER in its parent's panel: Double Commander adds up the sizes
# below it and shows the sum in the folder's Size column, which
# cm_CopyFileDetailsToClip copies ("[NAME]<TAB>EXT<TAB>SIZE<TAB>...").
check_space() {
  local folder=$1 expected size=
  expected=$(python3 "$here/hotlist_tree.py" "$hotlist" count "$folder" | cut -f 3)
  check_folder "$folder"
  # Going up puts the cursor on the folder just left.
  press ctrl+shift+p ctrl+shift+a
  on_folder() { [ "$(name_under_cursor)" = "${folder##*/}" ]; }
  wait_for 10 on_folder || { not_ok "Space: the cursor is not on $folder in its parent"; return; }
  press space
  sized() { copy_with ctrl+shift+d && size=$(cut -f 3 <<<"$copied" | tr -d ',. \302\240') && [ "$size" = "$expected" ]; }
  if wait_for 15 sized; then
    ok "Space on $folder: size $size"
  else
    not_ok "Space on $folder: Double Commander shows size \"$size\", the hotlist's sizes add up to $expected"
  fi
  press ctrl+shift+a
  check_alive
}

# Moves the cursor onto the entry NAME of the open folder: from the first
# entry down, one at a time, reading the name under the cursor back.
cursor_to() {
  local target=$1 steps=$2 i
  press ctrl+shift+a Home Down
  for ((i = 0; i < steps; i++)); do
    [ "$(name_under_cursor)" != "$target" ] || return 0
    press Down
  done
  return 1
}

# "properties" on the bookmark BOOKMARK of FOLDER (Alt+Enter): the library
# shows its box through Double Commander's, titled "Параметры закладки".
check_properties() {
  local folder=$1 bookmark=$2 caption='^Параметры закладки$' attempt entries
  check_folder "$folder"
  entries=$(python3 "$here/hotlist_tree.py" "$hotlist" entries "$folder" | wc -l)
  cursor_to "$bookmark" "$entries" || { not_ok "no entry \"$bookmark\" in the panel of $folder"; return; }
  box_window() { find_box "$caption"; }
  box=
  # Pressed again only while no box is up, in case a key press was lost.
  for attempt in 1 2 3; do
    press alt+Return
    wait_for 5 box_window && break
  done
  if [ -n "$box" ]; then
    ok "properties box of $folder/$bookmark"
    screenshot "$name-properties.png" "$(panel_and_box "$box")"
    timeout 10 xdotool windowactivate --sync "$box" 2>/dev/null || true
    press Return
    wait_for 10 box_gone "$caption" || not_ok "the properties box does not close"
    focus_main
  else
    not_ok "no window titled \"Параметры закладки\" after Alt+Enter on $folder/$bookmark"
    screenshot "$name-properties-failure.png"
  fi
  check_alive
}

# -- One hotlist in Double Commander -----------------------------------------

declare -A key_of

run_hotlist() {
  hotlist=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  name=$(basename "$hotlist" .hotlist)
  echo "== $name ($hotlist)"
  plugin=$work/$name/plugin
  mkdir -p "$plugin"
  cp "$library" "$plugin/TANSY_WFX.wfx"
  printf '[main]\nhotlist=%s\n' "$hotlist" >"$plugin/TANSY_WFX.ini"

  local tree folders deepest nested bookmark folder
  tree=$(python3 "$here/hotlist_tree.py" "$hotlist" folders) || fail "cannot tell what $name shows"
  # Every folder that holds entries: an empty one shows nothing to compare.
  mapfile -t folders < <(awk -F'\t' '$3 + $4 > 0 { print $1 }' <<<"$tree")
  [ "${folders[0]:-}" = / ] || fail "the root of $name holds no entries"
  # The deepest folder holding a bookmark: its first bookmark's properties
  # are asked for.
  deepest=$(awk -F'\t' 'BEGIN { best = -1 } $3 > 0 && $2 > best { best = $2; path = $1 } END { print path }' <<<"$tree")
  [ -n "$deepest" ] || fail "$name holds no bookmark"
  bookmark=$(python3 "$here/hotlist_tree.py" "$hotlist" bookmarks "$deepest" | sed -n 1p)
  # The first top-level folder with sub-folders is counted besides the root.
  nested=$(awk -F'\t' '$2 == 1 && $4 > 0 { print $1; exit }' <<<"$tree")

  key_of=()
  while IFS=$'\t' read -r key folder; do key_of[$folder]=$key; done < <(
    python3 "$here/doublecmd_config.py" "$work/$name/config" "$plugin/TANSY_WFX.wfx" "${folders[@]:0:33}")
  for folder in "$deepest" "$nested"; do
    [ -z "$folder" ] || [ -n "${key_of[$folder]:-}" ] || fail "no hotkey for $folder"
  done

  doublecmd --config-dir="$work/$name/config" >"$work/doublecmd-$name.log" 2>&1 &
  dc_pid=$!
  main_window() { win=$(xdotool search --onlyvisible --name '^Double Commander' 2>/dev/null | head -n 1) && [ -n "$win" ]; }
  wait_for 60 main_window || { check_alive; fail "no Double Commander window"; }
  focus_main

  for folder in "${folders[@]:0:33}"; do
    check_folder "$folder"
    [ "$folder" != / ] || panel_screenshot "$name-root.png"
  done
  [ ${#folders[@]} -le 33 ] || echo "note: $((${#folders[@]} - 33)) more folders not opened (hotkeys)"

  check_count / "$name-count.png"
  if [ -n "$nested" ]; then
    check_count "$nested"
    panel_screenshot "$name-folder.png"
    check_space "$nested"
  fi
  check_properties "$deepest" "$bookmark"

  stop_pid "$dc_pid"
  dc_pid=
}

for h in "${hotlists[@]}"; do run_hotlist "$h"; done

echo "screenshots: $artifacts"
echo "doublecmd e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
