#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that Tolvane would appear
# in a desktop's application menu: program, desktop entry, AppStream data and
# icons, each valid.
# Usage: check_install.sh <build-dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

failures=0
check() {
    local what=$1; shift
    if "$@" >/tmp/check_install.$$ 2>&1; then
        echo "ok - $what"
    else
        echo "not ok - $what"; sed 's/^/    /' /tmp/check_install.$$
        failures=$((failures + 1))
    fi
    rm -f /tmp/check_install.$$
}

cmake --install "$build" --prefix "$prefix" >/dev/null
desktop=$(ls "$prefix"/share/applications/*.desktop)
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml)

check "program installed and executable" test -x "$prefix/bin/tolvane"
check "desktop entry is valid" desktop-file-validate "$desktop"
check "desktop entry starts tolvane" grep -qx 'Exec=tolvane' "$desktop"
check "desktop entry names the tolvane icon" grep -qx 'Icon=tolvane' "$desktop"
check "desktop entry has a Chinese comment" grep -q '^Comment\[zh_CN\]=' "$desktop"
check "AppStream metainfo is valid" appstreamcli validate --no-net "$metainfo"
check "metainfo launches the installed desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"
for size in 16 22 24 32 48 64 128; do
    check "hicolor icon ${size}x${size}" \
        bash -c "identify -format '%wx%h' '$prefix/share/icons/hicolor/${size}x${size}/apps/tolvane.png' | grep -qx ${size}x${size}"
done
[ "$failures" -eq 0 ]
