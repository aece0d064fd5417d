#!/bin/bash
# The exe starts with the kernel, user, GDI, registry and C runtime DLLs
# alone; every other DLL is delay-loaded (cmake/delayload). A newly called
# function missing from its DLL's .def would bring that DLL back among them.
# imports_test.sh OBJDUMP EXE
objdump=$1 exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
expected="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll "
if [ "$dlls" != "$expected" ]; then
    echo "imported at start: $dlls"
    echo "expected:          $expected"
    exit 1
fi
