#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one fuzz target for SECONDS seconds over its kept corpus (regression
# inputs first), writing any crash into the corpus folder's crashes/.
# Usage: run.sh TARGET_BINARY CORPUS_DIR SECONDS
set -euo pipefail
binary=$1 corpus=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus/crashes"
cp -r "$corpus"/. "$work/" 2>/dev/null || true
rm -rf "$work/crashes"
export ASAN_OPTIONS=detect_leaks=0
exec "$binary" -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$corpus/crashes/" "$work" 2>&1 | tail -5
