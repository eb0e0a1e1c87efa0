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

# prepare_prefix PREFIX [DPI] [DRIVER] [JAPANESE]: initialises a private prefix once and configures
# it: screen resolution (LogPixels), graphics driver ("null" for tests, "x11" for pictures), and,
# when JAPANESE is "ja", the System font mapped to VL Gothic so Japanese names draw.
# A prefix made before 32-bit Wine was installed cannot start any program afterwards, so each
# prefix records the widths it was made with and is made again when they are not today's.
prepare_prefix() {
  local prefix=$1 dpi=${2:-96} driver=${3:-null} japanese=${4:-}
  local widths made stamp="$prefix/.morvane-$dpi-$driver-$japanese"
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
    wine_in "$prefix" wineboot --init || true
    wine_in "$prefix" wineserver -w || true
    echo "$widths" >"$made"
  fi
  local reg="wine reg add"
  if [ "$driver" = null ]; then
    wine_in "$prefix" $reg 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  else
    wine_in "$prefix" wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f || true
    # Unmanaged windows: destroying a managed one costs seconds under Xvfb.
    wine_in "$prefix" $reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  fi
  wine_in "$prefix" $reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  if [ "$japanese" = ja ]; then
    wine_in "$prefix" $reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v System /d 'VL Gothic' /f
  fi
  wine_in "$prefix" wineserver -w || true
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
