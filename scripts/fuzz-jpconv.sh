#!/usr/bin/env bash
# Runs the jpconv fuzz target for a bounded time: scripts/fuzz.sh for that one target.
# Usage: scripts/fuzz-jpconv.sh [SECONDS]   (default 60)
exec bash "$(dirname "$0")/fuzz.sh" "${1:-60}" jpconv
