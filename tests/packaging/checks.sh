# Shared by the packaging tests, sourced with the test's name: `. checks.sh <name>`. Gives a private
# work folder ($work, removed at exit), counted checks and the closing tally.
tally_name=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/trove-$tally_name.XXXXXX")
trap 'rm -rf "$work"' EXIT

passed=0 failed=0
# check <what> <command...>: counts the command's success, names a failure.
check()
{
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}

# The tally line; its status is the test's result.
finish()
{
    echo "$tally_name: $passed passed, $failed failed"
    ((failed == 0))
}
