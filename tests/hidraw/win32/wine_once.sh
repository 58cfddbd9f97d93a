#!/bin/sh
# Runs one Windows program under Wine and stops the Wine server after it, so
# that the next program starts a new one (in a new umockdev testbed).
wine "$@"
status=$?
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
exit $status
