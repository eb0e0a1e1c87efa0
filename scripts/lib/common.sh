# Plumbing the scripts share; sourced from the root of the tree, after scripts/lib/cli.sh.
#   build_folder DEFAULT   the build folder: MORVANE_BUILD when set, else DEFAULT (both may be
#                          relative to the root of the tree)
#   winpath PATH           the Windows path of a Linux path (Wine maps the file system as Z:)
#   machine_line           the machine's CPUs and model, and its load average now
#   start_xvfb SIZE        a private Xvfb server (SIZE like 1024x768x24) on a display it picks
#                          itself, DISPLAY exported; false when it did not start within 10 s
#   stop_xvfb              stops it again; safe when none was started

build_folder() {
  local folder=${MORVANE_BUILD:-$1}
  case $folder in /*) echo "$folder" ;; *) echo "$PWD/$folder" ;; esac
}

winpath() {
  local p=$1
  echo "Z:${p//\//\\}"
}

machine_line() {
  local cpu
  cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
  echo "$(nproc) CPUs, ${cpu:-unknown CPU}; load average $(cut -d' ' -f1-3 /proc/loadavg)"
}

xvfb_pid=""
start_xvfb() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$display_file" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$display_file" ]; then
    rm -f "$display_file"
    return 1
  fi
  DISPLAY=":$(head -n1 "$display_file")"
  export DISPLAY
  rm -f "$display_file"
}

stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
