#!/usr/bin/env bash
# The bash completion of trove, driven as bash drives it: COMP_WORDS and COMP_CWORD set, _trove called,
# COMPREPLY compared. Category ids come from the sample configuration (a folder and the same packed).
# Usage: completion_test.sh <source folder>
set -uo pipefail
root=${1:?source folder}
source "$root/completion/trove"

work=$(mktemp -d "${TMPDIR:-/tmp}/trove-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
configuration="$root/samples/configuration"

passed=0 failed=0
# expect_at <expected words, sorted, space-separated> <index of the word completed> <words of the line...>
expect_at()
{
    local want=$1 cword=$2
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$cword
    COMPREPLY=()
    _trove
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $got == "$want" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: ${*} (word $cword): expected [$want], got [$got]"
    fi
}
# expect <expected words> <words of the line...>: the last word is completed.
expect()
{
    local want=$1
    shift
    expect_at "$want" $(($# - 1)) "$@"
}

all="astronomy biology chemistry physics"
# -c offers the configuration's short ids, wherever the configuration stands and however it is written.
expect "$all" trove --noui --installsome --configuration "$configuration" -c ""
expect "biology" trove --noui --installsome -configuration "$configuration" --c b
expect "chemistry" trove --noui --installsome "-configuration:$configuration" -c ch
expect_at "physics" 4 trove --noui --downloadsome -c p --configuration "$configuration"
expect "$all" trove --noui --installsome "\\configuration" "$configuration" "\\c" ""
# As bash splits words at a colon: "-configuration:path" and "-c:ch" arrive as three words each.
expect "chemistry" trove --noui --installsome -configuration : "$configuration" -c : ch
expect "" trove --noui --installsome -configuration : "$configuration" -c :
# No configuration, or one that does not exist: nothing to offer.
expect "" trove --noui --installsome -c ""
expect "" trove --noui --installsome --configuration "$work/missing" -c ""

# The packed form, when unzip can read it.
if type -P unzip >/dev/null && type -P python3 >/dev/null; then
    python3 - "$configuration" "$work/sample.gallerycollection" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w") as z:
    for name in os.listdir(sys.argv[1]):
        z.write(os.path.join(sys.argv[1], name), name)
PY
    expect "astronomy" trove --noui --installsome --configuration "$work/sample.gallerycollection" -c a
else
    echo "skipped: the packed configuration needs unzip and python3"
fi

# Options keep the prefix as typed; value options complete nothing of their own.
expect "--installall --installsome" trove --noui --inst
expect "-allowcleanup -allowdownload" trove --noui -allow
expect "" trove --noui --proxy ""
expect "--verbose --version" trove --noui --ver

# Path options offer folders; -configuration also ".gallerycollection" files.
mkdir -p "$work/dir/sub" && touch "$work/dir/a.gallerycollection" "$work/dir/b.txt"
expect "$work/dir/sub" trove --noui --destination "$work/dir/"
expect "$work/dir/a.gallerycollection $work/dir/sub" trove --noui --configuration "$work/dir/"

# -l offers the codes of the language list beside the program on PATH (through a link, as installed).
mkdir -p "$work/app/bin" "$work/app/Languages" "$work/path"
cp "$root/data/Languages/languages.xml" "$work/app/Languages/"
printf '#!/bin/sh\n' >"$work/app/bin/trove" && chmod +x "$work/app/bin/trove"
ln -s "$work/app/bin/trove" "$work/path/trove"
PATH="$work/path:$PATH" expect "de_DE" trove --noui --installall -l de
PATH="$work/path:$PATH" expect "pt_BR pt_PT" trove --noui -locale pt
expect "" "$work/missing/trove" --noui -l ""

echo "completion: $passed passed, $failed failed"
((failed == 0))
