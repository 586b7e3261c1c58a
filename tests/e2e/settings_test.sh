#!/usr/bin/env bash
# The settings record lands in the registry under the exact names and types.
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings
wine "$VARNEL_SAVE_SETTINGS"
wine reg query "$key" | tr -d '\r' >"$WORK/values.txt"
wine reg query "$key\\Lock" | tr -d '\r' >"$WORK/lock.txt"

names=(ApiPrefered NumNames EjectSingle ShowUnknown ForceRefresh DNEject DNClose DNMessage DNTimer DeepMenu
       TopNames CloseOnRun IconDisk IconOpen CmdOpen CmdExplore CmdAutorun TimerAutoclose TimerEnable)
for i in "${!names[@]}"; do
  value=$(printf '0x%x' $((1000 + i)))
  expect "${names[$i]} is REG_DWORD $value" grep -Eq "^ +${names[$i]} +REG_DWORD +$value\$" "$WORK/values.txt"
done
expect "Language is REG_DWORD 0x409" grep -Eq '^ +Language +REG_DWORD +0x409$' "$WORK/values.txt"
expect "SavePath is REG_SZ" grep -Eq '^ +SavePath +REG_SZ +C:\\varnel\.reg$' "$WORK/values.txt"
expect "Lock\\Data is REG_SZ" grep -Eq '^ +Data +REG_SZ +\$1\$salt\$hash$' "$WORK/lock.txt"
expect "nothing else is stored in the program key" test "$(grep -c 'REG_' "$WORK/values.txt")" -eq 21
reset_settings
finish
