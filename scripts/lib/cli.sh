# What every script does with its command line before any set-up or build. Sourced first:
#   source "$(dirname "$0")/lib/cli.sh"
#   answer_help "$@"          -h or --help anywhere: the usage, status 0
#   refuse_argument ARG       an option the script does not know: the usage, status 2
# The usage is the script's opening comment (every comment line after the first line).

script_usage() {
  awk 'NR == 1 { next } /^#/ { sub(/^# ?/, ""); print; next } { exit }' "$0"
}

answer_help() {
  local arg
  for arg in "$@"; do
    case $arg in
    -h | --help)
      script_usage
      exit 0
      ;;
    esac
  done
}

refuse_argument() {
  echo "$(basename "$0"): unknown argument '$1'" >&2
  script_usage >&2
  exit 2
}
