#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a built .deb as a Debian packager would: lintian, showing every tag (-EvIL +pedantic), must
# find no error (E:) or warning (W:), and the installed desktop entry and AppStream metainfo must
# validate. Needs lintian, desktop-file-utils and appstream (./build.sh deps installs them).
#   tools/check-package.sh build-package/korvel_1.2.10_amd64.deb
set -euo pipefail
deb=${1:?usage: $0 package.deb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
lintian --fail-on error,warning -EvIL +pedantic "$deb" >"$work/lintian" 2>&1 || status=1
cat "$work/lintian"
tags=$(grep -oE '^[EWIPXO]:' "$work/lintian" | sort | uniq -c | tr -s ' \n' ' ' || true)
echo "lintian tags:${tags:- none}"

# The files as they land on a user's machine.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml || status=1
# The whole tree: the metainfo's launchable names a desktop entry there, whose icon is there too.
appstreamcli validate-tree --no-net "$work/root" || status=1
[ $status -eq 0 ] && echo "package check passed: $deb" || echo "package check FAILED: $deb" >&2
exit $status
