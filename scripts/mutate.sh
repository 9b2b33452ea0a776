#!/usr/bin/env bash
# Mutation check of the native tests (see scripts/mutate.py): scripts/mutate.sh [--seed N] [--count N]
exec nice python3 "$(dirname "$0")/mutate.py" "$@"
