# Sourced by the shell tests in tests/cli/: a temporary folder removed at exit ($tmp), and check
# DESCRIPTION CONDITION, which prints ok or FAIL and counts the failures in $fails.
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fails=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails+1)); fi; }
