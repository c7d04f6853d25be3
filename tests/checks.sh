# Sourced by the test scripts: named checks, each printed as it passes or fails, and counted.
failures=0
check() { # description, then a command that must succeed
    if "${@:2}"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}
# Fails the script when any check failed.
end_checks() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
}
