#!/bin/sh
# check_dll_exports.sh NUBRIK_DLL: every call is exported under its ordinal
# and its undecorated name; the registry calls by name.
set -u
dll=$1
out=$(llvm-readobj-14 --coff-exports "$dll") || { echo "llvm-readobj-14 failed on $dll"; exit 1; }
pairs=$(printf '%s\n' "$out" | awk '/Ordinal:/{o=$2} /Name:/{print o, $2}')
status=0
for want in "2 NubrikDosHeader" "3 NubrikSignature" "4 NubrikFileHeader" \
    "5 NubrikOptionalHeader" "6 NubrikEntryPoint" "10 NubrikSectionNames" \
    "11 NubrikSectionByName" "12 NubrikImportModules" "13 NubrikImportFunctions" \
    "14 NubrikExportTable" "16 NubrikExportCount" "17 NubrikResourceCount" \
    "18 NubrikResourceTable" "23 NubrikDebugEntry" "24 NubrikDisassemble" \
    "25 NubrikOptionalHeader64" "26 NubrikDisassembleEx"; do
  if ! printf '%s\n' "$pairs" | grep -qx "$want"; then
    echo "missing export: ordinal and name $want"
    status=1
  fi
done
for name in NubrikRegisterImage NubrikUnregisterImage; do
  printf '%s\n' "$pairs" | grep -q " $name\$" || { echo "missing export: $name"; status=1; }
done
# No decorated (stdcall) names.
if printf '%s\n' "$pairs" | grep -q "@"; then
  echo "decorated export names:"; printf '%s\n' "$pairs" | grep "@"; status=1
fi
[ $status -eq 0 ] && echo "all exports present in $dll"
exit $status
