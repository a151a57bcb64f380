#!/usr/bin/env bash
# The Debian package: built by scripts/package (or the one named by TROVE_PACKAGE_DEB), its contents
# list holds the program, the link and the desktop files, its dependencies are derived from the
# libraries, lintian reports no errors, and it installs into a scratch root with `dpkg --root`, runs
# from there and removes cleanly. Runs only with TROVE_PACKAGE_TEST=1 (building takes long); exit code
# 77 (a skip) otherwise or when the package tools are missing.
# Usage: deb_test.sh <source folder>
set -uo pipefail
root=${1:?source folder}

if [[ ${TROVE_PACKAGE_TEST:-} != 1 && -z ${TROVE_PACKAGE_DEB:-} ]]; then
    echo "skipped: set TROVE_PACKAGE_TEST=1 to build and check the Debian package"
    exit 77
fi
for tool in dpkg-buildpackage dh lintian dpkg-deb; do
    if ! type -P "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/setup --test installs it)"
        exit 77
    fi
done

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh" deb

deb=${TROVE_PACKAGE_DEB:-}
if [[ -z $deb ]]; then
    if ! "$root/scripts/package" --out "$work/out"; then
        echo "FAIL: scripts/package"
        echo "deb: 0 passed, 1 failed"
        exit 1
    fi
    deb=$(ls "$work"/out/trove_*.deb)
fi

contents=$(dpkg-deb -c "$deb")
app=com.keldalabs.Trove
for path in "./usr/bin/trove -> ../lib/trove/bin/trove" ./usr/lib/trove/bin/trove \
    ./usr/lib/trove/Languages/languages.xml ./usr/share/applications/$app.desktop \
    ./usr/share/metainfo/$app.metainfo.xml ./usr/share/mime/packages/$app.xml ./usr/share/icons/hicolor/scalable/apps/$app.svg \
    ./usr/share/icons/hicolor/48x48/apps/$app.png ./usr/share/man/man1/trove.1.gz \
    ./usr/share/bash-completion/completions/trove ./usr/share/doc/trove/copyright \
    ./usr/share/doc/trove/changelog.gz; do
    check "contents hold $path" grep -qF -- " $path" <<<"$contents"
done
check "nothing in /opt" test -z "$(grep -F ' ./opt' <<<"$contents")"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt5core5a libqt5widgets5 libqt5network5 libzip4 libtinyxml2; do
    check "Depends names $library (got: $depends)" grep -q "$library" <<<"$depends"
done

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
status=$?
check "lintian reports no errors: $(grep '^E:' "$work/lintian.log")" test "$status" -eq 0

# A scratch root with an empty dpkg database.
scratch="$work/root"
mkdir -p "$scratch/var/lib/dpkg/updates" "$scratch/var/lib/dpkg/info" "$scratch/var/log"
touch "$scratch/var/lib/dpkg/status"
dpkg=(dpkg --root="$scratch" --log=/dev/null --force-depends --force-script-chrootless)
if "${dpkg[@]}" -i "$deb" >"$work/dpkg.log" 2>&1; then
    passed=$((passed + 1))
    mkdir -p "$work/home/.config" "$work/sysroot/tmp" "$work/tmp"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        TROVE_SYSROOT="$work/sysroot" TMPDIR="$work/tmp" "$scratch/usr/bin/trove" --noui --version 2>&1)
    check "the installed program runs (got: $out)" test "$out" == "Trove. Version:  1.4.32.0"
    "${dpkg[@]}" -r trove >>"$work/dpkg.log" 2>&1
    check "removing leaves no program behind" test ! -e "$scratch/usr/lib/trove" -a ! -L "$scratch/usr/bin/trove"
else
    failed=$((failed + 1))
    echo "FAIL: dpkg --root -i: $(cat "$work/dpkg.log")"
fi

finish
