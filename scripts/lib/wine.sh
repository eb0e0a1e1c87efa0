# Wine prefixes and servers for the build folder. Sourced by scripts/test, scripts/run and
# scripts/gallery.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# wine_in PREFIX COMMAND...: runs a Wine command in PREFIX with every stream detached, so nothing
# waits on pipes that Wine's background services inherit.
wine_in() {
  local prefix=$1
  shift
  WINEPREFIX=$prefix "$@" </dev/null >/dev/null 2>&1
}

# wine_widths: the program widths this machine's Wine runs, "32+64" with Debian's wine32:i386
# (its 32-bit loader) and "64" without it.
wine_widths() {
  if [ -x /usr/lib/wine/wine ]; then echo 32+64; else echo 64; fi
}

# prefix_step PREFIX WHAT COMMAND...: one step of preparing PREFIX; says which step failed where.
prefix_step() {
  local prefix=$1 what=$2
  shift 2
  "$@" && return 0
  echo "wine: preparing the prefix $prefix: $what failed" >&2
  return 1
}

# reg_in PREFIX KEY NAME [reg add options...]: one registry value of the prefix.
reg_in() {
  local prefix=$1 key=$2 name=$3
  shift 3
  prefix_step "$prefix" "setting $key\\$name" wine_in "$prefix" wine reg add "$key" /v "$name" "$@" /f
}

# prepare_prefix PREFIX [DPI] [DRIVER]: initialises a private prefix once and configures it: the
# screen resolution (LogPixels), the graphics driver ("null" for tests, "x11" for a display and
# pictures), and the device's look:
# - the dialog font "System" drawn in Wine's Tahoma (from fonts-wine), whose Latin letters are as
#   wide as the device's, so every caption fits its control as the templates lay it out;
# - Japanese drawn through Tahoma's font link, whose first fallback, "MS UI Gothic", is replaced by
#   VL PGothic (fonts-vlgothic): month, weekday and AM/PM names never draw as boxes;
# - Marlett in the prefix's own fonts, which a new prefix does not find by itself: caption buttons
#   draw as buttons, not as the letters "0 1 r".
# A prefix made before 32-bit Wine was installed cannot start any program afterwards, so each
# prefix records the widths it was made with and is made again when they are not today's.
# Returns non-zero, having said which step failed, when the prefix cannot be prepared.
prepare_prefix() {
  local prefix=$1 dpi=${2:-96} driver=${3:-null}
  local widths made stamp="$prefix/.morvane-$dpi-$driver-device-look"
  widths=$(wine_widths)
  made="$prefix/.made-with-wine"
  if [ -e "$prefix" ] && [ "$(cat "$made" 2>/dev/null)" != "$widths" ]; then
    echo "wine: re-creating prefix $prefix: it was not made with this Wine ($widths-bit programs)"
    wine_in "$prefix" wineserver -k || true
    rm -rf "$prefix"
  fi
  [ -f "$stamp" ] && return 0
  mkdir -p "$prefix"
  if [ ! -f "$prefix/system.reg" ]; then
    echo "wine: initialising prefix $prefix"
    prefix_step "$prefix" "wineboot --init" wine_in "$prefix" wineboot --init || return 1
    prefix_step "$prefix" "waiting for its first server" wine_in "$prefix" wineserver -w || return 1
    echo "$widths" >"$made"
  fi
  if [ "$driver" = null ]; then
    reg_in "$prefix" 'HKCU\Software\Wine\Drivers' Graphics /d null || return 1
  else
    # Absent already in a new prefix, so its removal may fail.
    wine_in "$prefix" wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f || true
    # Unmanaged windows: destroying a managed one costs seconds under Xvfb.
    reg_in "$prefix" 'HKCU\Software\Wine\X11 Driver' Managed /d N || return 1
  fi
  reg_in "$prefix" 'HKCU\Control Panel\Desktop' LogPixels /t REG_DWORD /d "$dpi" || return 1
  reg_in "$prefix" 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' System \
    /d Tahoma || return 1
  reg_in "$prefix" 'HKCU\Software\Wine\Fonts\Replacements' 'MS UI Gothic' /d 'VL PGothic' || return 1
  prefix_step "$prefix" "copying Marlett into its fonts" \
    cp -f /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" || return 1
  prefix_step "$prefix" "writing its registry" wine_in "$prefix" wineserver -w || return 1
  rm -f "$prefix"/.morvane-*
  touch "$stamp"
}

# start_server PREFIX: starts a persistent server and warms it with one trivial program.
start_server() {
  local prefix=$1
  wine_in "$prefix" wineserver -p || true
  wine_in "$prefix" wine cmd /c exit || true
}

# hold_desktop PREFIX KEEPER: runs KEEPER (desktop_keeper.exe) in PREFIX in the background, so the
# prefix's desktop stays open between test programs; stop_server ends it.
hold_desktop() {
  local prefix=$1 keeper=$2
  (WINEPREFIX=$prefix wine "$keeper" </dev/null >/dev/null 2>&1 &)
}

# stop_server PREFIX: ends the prefix's server and everything it runs.
stop_server() {
  local prefix=$1
  wine_in "$prefix" wineserver -k || true
  wine_in "$prefix" wineserver -w || true
}
