#!/bin/bash
# Reads the built executable's export table and checks that every name in
# the lists under tests/exports/ is exported, compared whole: a C name as it
# is, a C++ name as its full demangled signature, so that a free function and
# a member of the same name are each checked. One list serves both builds:
# WPARAM, LPARAM and (__stdcall*) stand for what they demangle to in the
# build at hand.
set -euo pipefail
objdump=$1 exe=$2 lists=$3
# The 32-bit build adds "@" and the argument bytes to __stdcall names.
table=$("$objdump" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        awk '{print $NF}' | c++filt | sed 's/@[0-9]*$//')
if "$objdump" -f "$exe" | grep -q 'file format pei-i386'; then
    wparam='unsigned int' lparam='long' stdcall='( stdcall*)'
else
    wparam='unsigned long long' lparam='long long' stdcall='(*)'
fi
missing=0
while IFS= read -r name; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    name=${name//WPARAM/$wparam}
    name=${name//LPARAM/$lparam}
    name=${name//"(__stdcall*)"/$stdcall}
    if ! grep -qxF -- "$name" <<<"$table"; then
        echo "not exported: $name"
        missing=1
    fi
done < <(cat "$lists"/*.txt)
count=$(grep -c . <<<"$table" || true)
echo "$count names exported by $(basename "$exe")"
exit $missing
