#!/usr/bin/env bash
# Every dialog of the program opens in a Wine virtual desktop as on a Russian
# Windows, in Russian and in English, lays out (controls inside their containers, siblings apart, texts
# within their rectangles) and is saved as a screenshot in build/e2e/shots/.
set -u
exec bash "$VARNEL_SOURCE/tests/harness/dialogprobe/shoot.sh" "$VARNEL_BUILD"
