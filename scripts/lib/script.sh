# Sourced by the scripts in scripts/: the repository's root and the
# hand-over to a program built into build/, which reads its command line
# itself. The scripts that run before any program is built (scripts/build,
# scripts/test, scripts/fuzz, scripts/install-deps) read theirs here, by the
# rule the programs follow (common/process/program_arguments.h):
#
#   describe_command_line USAGE SUMMARY [OPTION HELP]...
#   read_command_line MAX "$@"
#
# --help (or -h) prints the usage line, the summary and a line per option,
# status 0; an unknown option, an option without its value or more than MAX
# arguments is one line on standard error with the usage line, status 2. A
# word that begins with '-' and a digit is an argument, and so is every
# word after "--". An OPTION written with a value ("--sanitizer KIND")
# takes one. What was given lands in options[NAME] ("yes" for an option
# without a value) and in arguments.

repo=$(cd -P "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
script_name=$(basename "$0")
usage_line=""
help_text=""
declare -A option_value=()
declare -A options=()
arguments=()

help_entry() { printf '  %-36s %s' "$1" "$2"; }

describe_command_line() {
  usage_line=$1
  help_text="usage: $1"$'\n'"$2"
  shift 2
  while [ $# -ge 2 ]; do
    if [ "${1%% *}" = "$1" ]; then option_value[$1]=""; else option_value[${1%% *}]=${1#* }; fi
    help_text+=$'\n'"$(help_entry "$1" "$2")"
    shift 2
  done
  help_text+=$'\n'"$(help_entry -- "every word after it is an argument, not an option")"
}

refuse_usage() {
  echo "$script_name: $1; usage: $usage_line" >&2
  exit 2
}

read_command_line() {
  local max=$1 word ended=no
  shift
  for word in "$@"; do
    [ "$word" = -- ] && break
    case "$word" in -h|--help) echo "$help_text"; exit 0 ;; esac
  done
  while [ $# -gt 0 ]; do
    word=$1
    shift
    if [ $ended = no ] && [ "$word" = -- ]; then
      ended=yes
    elif [ $ended = no ] && [[ $word == -[!0-9]* ]]; then
      [ -n "${option_value[$word]+known}" ] || refuse_usage "unknown option \"$word\""
      if [ -z "${option_value[$word]}" ]; then
        options[$word]=yes
      else
        [ $# -gt 0 ] || refuse_usage "$word needs ${option_value[$word]}"
        options[$word]=$1
        shift
      fi
    else
      [ ${#arguments[@]} -lt "$max" ] || refuse_usage "one argument too many: \"$word\""
      arguments+=("$word")
    fi
  done
}

# need_programs PROGRAM...: builds the programs when one of them is missing.
need_programs() {
  local program
  for program in "$@"; do
    [ -x "$repo/build/$program" ] || { "$repo/scripts/build" --programs >&2; return; }
  done
}

# run_program PROGRAM NAME ARG...: hands over to build/PROGRAM, which names
# itself NAME in its usage line and refusals.
run_program() {
  local program=$1 name=$2
  shift 2
  need_programs "$program"
  exec -a "$name" "$repo/build/$program" "$@"
}

# call_program PROGRAM NAME ARG...: the same, returning its status.
call_program() {
  (run_program "$@")
}
