#!/usr/bin/env bash
# A short endurance run (140 random steps with injected drive faults, under
# two minutes): the program neither crashes nor hangs, keeps its GDI, USER
# and handle counts from step 100 to the end, and keeps its stored settings.
# The full run of 1000 steps is bench/endurance/run_endurance.sh.
exec bash "$VARNEL_SOURCE/bench/endurance/run_endurance.sh" 140 "${ENDURANCE_SEED:-}"
