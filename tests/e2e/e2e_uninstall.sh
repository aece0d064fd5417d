#!/bin/bash
# End to end: the built vxUninstall.exe removes a fake install and itself.
set -euo pipefail
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
"$tools/sample-product.sh" layout "$1" "$2"
"$tools/run-uninstaller.sh"
status=0
"$tools/sample-product.sh" check || status=1
"$tools/sample-product.sh" clean
exit $status
