# A private wine environment, for the scripts that run the Windows builds
# under wine (tests/wine/run_wine_tests.sh, bench/run_wine_bench.sh). Sourced;
# the caller sets `wineserver` (the wineserver program) and `keep` (yes
# leaves the environment for a look).

# make_wine_environment DIR: DIR becomes the environment, made afresh and
# removed when the script ends however it ends: its own WINEPREFIX and
# TMPDIR, WINEDEBUG=-all, a private LOCPATH for the locales, no display, and
# wineserver stopped at the end.
make_wine_environment() {
  env_dir=$1
  rm -rf "$env_dir"
  mkdir -p "$env_dir/tmp" "$env_dir/locale"
  export WINEPREFIX=$env_dir/prefix
  export TMPDIR=$env_dir/tmp
  export LOCPATH=$env_dir/locale
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts, no menu entries on the desktop.
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
  unset DISPLAY WAYLAND_DISPLAY LC_ALL
  trap remove_wine_environment EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

remove_wine_environment() {
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ "$keep" = no ]; then rm -rf "$env_dir"; else echo "wine environment kept in $env_dir" >&2; fi
}

# boot_wine_environment WINE LOCALE...: builds the locales (ru_RU gives code
# page 1251, en_US 1252) with localedef into LOCPATH, makes the prefix with
# WINE's wineboot and the null display driver (real windows, no X server),
# and leaves a persistent wineserver running, so later runs start in a
# fraction of a second and none waits on another.
boot_wine_environment() {
  local wine=$1
  shift
  local locale
  for locale in "$@"; do
    localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" >"$env_dir/localedef.log" 2>&1 ||
      [ -f "$LOCPATH/$locale.UTF-8/LC_CTYPE" ] || { cat "$env_dir/localedef.log" >&2; exit 1; }
  done
  env LC_ALL=ru_RU.UTF-8 timeout -k 5 300 "$wine" wineboot --init </dev/null >"$env_dir/wineboot.log" 2>&1 ||
    { cat "$env_dir/wineboot.log" >&2; echo "wineboot failed" >&2; exit 1; }
  env LC_ALL=ru_RU.UTF-8 timeout -k 5 60 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
    </dev/null >/dev/null 2>&1
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  [ -L "$WINEPREFIX/dosdevices/z:" ] || { echo "the wine prefix has no Z: drive for /" >&2; exit 1; }
  "$wineserver" -p
}
