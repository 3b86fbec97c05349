#!/bin/bash
# The manual pages and servoctl's completion against the programs themselves: every option a
# program's --help shows is in its manual page, and the completion offers exactly the commands and
# options servoctl has. Also pins how the completion reads a command line (global options before
# the command, option values skipped, arguments counted).
# Usage: documentation-test.sh BUILD_DIR   (servoctl's checks run when BUILD_DIR holds servoctl)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$1
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

long_options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }

# The options written in a manual page's troff source, where a dash is written "\-".
manual_options() { sed 's/\\-/-/g' "$source_dir/packaging/$1.1" | long_options; }

# Reports each option of the help text on stdin that the manual page $1 does not describe.
expect_in_manual() {
    local options missing
    options=$(long_options)
    [[ -n $options ]] || fail "$2 shows no options"
    missing=$(comm -23 <(echo "$options") <(manual_options "$1"))
    [[ -z $missing ]] || fail "$1.1 lacks ${missing//$'\n'/ } ($2)"
}

servodesk_help=$("$build_dir/servodesk" --help)
expect_in_manual servodesk "servodesk --help" <<<"$servodesk_help"

# shellcheck source=packaging/servoctl.bash-completion
source "$source_dir/packaging/servoctl.bash-completion"

# Prints, sorted, what completing the given words offers; the last word is the one being typed.
complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _servoctl 2>/dev/null
    [[ ${#COMPREPLY[@]} -eq 0 ]] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

expect_completion() {
    local expected=$1
    shift
    local offered
    offered=$(complete_line "$@")
    [[ $offered == "$expected" ]] || fail "completing '$*' offers '$offered', not '$expected'"
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/arm"
touch "$scratch/arm.json" "$scratch/notes.txt"

expect_completion "dump" servoctl --port /dev/ttyUSB0 --json d
expect_completion "off on" servoctl --demo led 3 ""
expect_completion "" servoctl torque 3 on ""
expect_completion "" servoctl move 3 ""
expect_completion "--rate" servoctl monitor 1 2 --csv out.csv --r
expect_completion "--allow-id-change" servoctl restore arm.json --a
expect_completion "--demo --demo-fault --help --ids --json --port --version" servoctl scan --ids 0-10 --
expect_completion "$scratch/arm $scratch/arm.json" servoctl restore "$scratch/"
expect_completion "" servoctl scan --ids ""

servoctl=$build_dir/servoctl
if [[ ! -x $servoctl ]]; then
    echo "documentation-test: no servoctl in $build_dir, so its manual page and completion are not compared with it"
else
    servoctl_help=$("$servoctl" --help)
    expect_in_manual servoctl "servoctl --help" <<<"$servoctl_help"
    # The commands of the help text: an indented lower-case word followed by its description.
    help_commands=$(sed -n 's/^  *\([a-z][a-z]*\)  .*/\1/p' <<<"$servoctl_help" | sort -u | tr '\n' ' ' | sed 's/ $//')
    completed_commands=$(complete_line servoctl "")
    [[ $help_commands == "$completed_commands" ]] ||
        fail "servoctl --help lists '$help_commands', the completion offers '$completed_commands'"
    global=$(long_options <<<"$servoctl_help")
    for command in $completed_commands; do
        help=$("$servoctl" "$command" --help) || { fail "servoctl $command --help failed"; continue; }
        grep -q "^\.SS \"$command\b" "$source_dir/packaging/servoctl.1" || fail "servoctl.1 has no section for $command"
        expect_in_manual servoctl "servoctl $command --help" <<<"$help"
        # Each option of the command is offered, and nothing that neither it nor servoctl has.
        offered=$(complete_line servoctl "$command" -- | tr ' ' '\n' | sort -u)
        missing=$(comm -23 <(long_options <<<"$help") <(echo "$offered"))
        unknown=$(comm -13 <(sort -u <(long_options <<<"$help") <(echo "$global")) <(echo "$offered"))
        [[ -z $missing ]] || fail "completion of 'servoctl $command' lacks ${missing//$'\n'/ }"
        [[ -z $unknown ]] || fail "completion of 'servoctl $command' offers ${unknown//$'\n'/ }, which it does not take"
    done
fi

if ((failures > 0)); then
    echo "documentation-test: $failures failure(s)" >&2
    exit 1
fi
echo "documentation-test: passed"
