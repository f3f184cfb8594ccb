#!/usr/bin/env bash
# Writes a help2man include file with a COMMANDS section holding every
# subcommand's own --help, so the manual page documents each command as the
# program does. Usage: cli-commands.sh PROGRAM OUTPUT
set -euo pipefail
program=$1
output=$2

# Text shown as it stands: backslashes and leading dots or quotes would be
# read as roff requests.
roff_literal() {
  sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" -e 's/-/\\-/g'
}

commands=$("$program" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[[ -n $commands ]] || { echo "cli-commands: no commands in $program --help" >&2; exit 1; }
{
  echo '[COMMANDS]'
  for command in $commands; do
    echo ".SS $command"
    echo '.nf'
    "$program" "$command" --help | sed -e 's/^usage: //' | roff_literal
    echo '.fi'
  done
} >"$output.tmp"
mv "$output.tmp" "$output"
