#!/bin/bash
# Reads the built executable's export table and checks that every name in
# the lists under tests/exports/ is exported (C++ names are compared demangled).
set -euo pipefail
objdump=$1 exe=$2 lists=$3
table=$("$objdump" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        awk '{print $NF}' | c++filt)
missing=0
while IFS= read -r name; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # A C++ member is found inside its demangled signature, a C name whole.
    if [[ "$name" == *"("* ]]; then how=-qF; else how=-qxF; fi
    if ! grep $how -- "$name" <<<"$table"; then
        echo "not exported: $name"
        missing=1
    fi
done < <(cat "$lists"/*.txt)
count=$(grep -c . <<<"$table" || true)
echo "$count names exported by $(basename "$exe")"
exit $missing
