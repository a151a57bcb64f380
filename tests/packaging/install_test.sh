#!/usr/bin/env bash
# The install rules: `cmake --install` of a build, once with --prefix into a staging folder and once
# with DESTDIR, installs exactly the expected files; the link in bin reaches the program beside its
# Languages folder; the staged program runs; desktop entry, metainfo and man page pass their checkers
# where those are installed.
# Usage: install_test.sh <build folder>
set -uo pipefail
build=${1:?build folder}

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh" install
mkdir -p "$work/home/.config" "$work/sysroot/tmp" "$work/tmp"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" TROVE_SYSROOT="$work/sysroot" TMPDIR="$work/tmp"
unset DISPLAY WAYLAND_DISPLAY

app=com.keldalabs.Trove
expected="bin/trove -> ../lib/trove/bin/trove
lib/trove/Languages/languages.xml
lib/trove/bin/trove
share/applications/$app.desktop
share/bash-completion/completions/trove
share/icons/hicolor/128x128/apps/$app.png
share/icons/hicolor/16x16/apps/$app.png
share/icons/hicolor/256x256/apps/$app.png
share/icons/hicolor/32x32/apps/$app.png
share/icons/hicolor/48x48/apps/$app.png
share/icons/hicolor/64x64/apps/$app.png
share/icons/hicolor/scalable/apps/$app.svg
share/man/man1/trove.1
share/metainfo/$app.metainfo.xml
share/mime/packages/$app.xml"

# installed <what> <prefix folder>: the files, the link, the staged program.
installed()
{
    local what=$1 prefix=$2
    local got
    got=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort | while read -r f; do
        if [[ -L $f ]]; then echo "$f -> $(readlink "$f")"; else echo "$f"; fi
    done)
    check "$what: installed files (got: $got)" test "$got" == "$expected"
    check "$what: program is executable" test -x "$prefix/lib/trove/bin/trove"
    # The program finds Languages in the parent of its own folder, through the link too.
    local real
    real=$(readlink -f "$prefix/bin/trove")
    check "$what: link reaches the program ($real)" test "$real" == "$(readlink -f "$prefix/lib/trove/bin/trove")"
    check "$what: Languages beside the program's folder" test -f "$(dirname "$(dirname "$real")")/Languages/languages.xml"

    local out code
    out=$("$prefix/bin/trove" --noui --version 2>&1)
    code=$?
    check "$what: --noui --version exits 0 (got $code)" test "$code" -eq 0
    check "$what: --noui --version prints the version (got: $out)" test "$out" == "Trove. Version:  1.4.32.0"
}

log="$work/install.log"
if cmake --install "$build" --prefix "$work/staging" >"$log" 2>&1; then
    installed "--prefix" "$work/staging"
else
    check "cmake --install --prefix: $(cat "$log")" false
fi
if DESTDIR="$work/destdir" cmake --install "$build" --prefix /usr >"$log" 2>&1; then
    installed "DESTDIR" "$work/destdir/usr"
else
    check "DESTDIR cmake --install: $(cat "$log")" false
fi

staged="$work/staging/share"
if type -P desktop-file-validate >/dev/null; then
    check "desktop entry validates" desktop-file-validate "$staged/applications/$app.desktop"
else
    echo "skipped: desktop-file-validate is not installed (desktop-file-utils)"
fi
if type -P appstreamcli >/dev/null; then
    check "metainfo validates" appstreamcli validate --no-net --pedantic "$staged/metainfo/$app.metainfo.xml" >"$log" 2>&1 ||
        cat "$log"
else
    echo "skipped: appstreamcli is not installed (appstream)"
fi
if type -P update-mime-database >/dev/null; then
    mkdir -p "$work/mime/packages" && cp "$staged/mime/packages/$app.xml" "$work/mime/packages/"
    check "file type definition reads" bash -c 'update-mime-database "$1" >/dev/null 2>&1' _ "$work/mime"
    check "file type matches *.gallerycollection" grep -q 'application/x-gallerycollection:\*\.gallerycollection' "$work/mime/globs2"
else
    echo "skipped: update-mime-database is not installed (shared-mime-info)"
fi
if type -P man >/dev/null; then
    page=$(MANWIDTH=80 man --warnings -l "$staged/man/man1/trove.1" 2>"$log")
    check "man page renders without warnings: $(cat "$log")" test ! -s "$log"
    for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
        check "man page has section $section" grep -q "^$section\$" <<<"$page"
    done
    check "man page says what 666 looks like in a shell" grep -q "154" <<<"$page"
else
    echo "skipped: man is not installed (man-db)"
fi
check "completion parses" bash -n "$staged/bash-completion/completions/trove"

finish
