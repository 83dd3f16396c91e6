#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of a build tree and holds it to what a distribution asks: lintian
# finds no error or warning that the package does not override with its reason, the software
# centre metadata validates, and the manual page renders without a warning.
# Usage: check_package.sh CPACK BUILD_DIR OUT_DIR
set -euo pipefail
cpack=$1
build=$2
out=$3

rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "expected one package in $out"; exit 1; }
deb=${debs[0]}
echo "package: $deb"
dpkg-deb --info "$deb"

status=0
# Tags the package overrides are not shown.
lintian --fail-on error,warning "$deb" || status=1

tree=$out/tree
dpkg-deb -x "$deb" "$tree"
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml || status=1

# groff's warnings go to stderr without changing its exit status.
warnings=$(zcat "$tree/usr/share/man/man1/K4mgr.1.gz" | groff -ww -z -man 2>&1) || status=1
if [ -n "$warnings" ]; then
    echo "manual page: $warnings"
    status=1
fi

[ $status -eq 0 ] && echo "package checked: $deb"
exit $status
