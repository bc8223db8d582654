#!/usr/bin/env bash
# Runs one end-to-end test script in a fresh temporary directory.
# usage: run.sh <test.sh> <bin-dir> <data-dir> <source-dir>
set -u
script=$1
export BIN=$2 DATA=$3 SRC=$4
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tvl-cli.XXXXXX")
export WORK
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
# shellcheck source=lib.sh
source "$(dirname "$script")/lib.sh"
source "$script"
finish
