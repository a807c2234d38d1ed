# Shared by the benchmarks that take FLIC... [-- CLI OPTIONS]: sourced with
# those words left in "$@", it puts the flics in `flics` and the options for
# kinetrope-cli in `extra`, and makes a scratch folder `work` that goes at exit.
flics=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do flics+=("$1"); shift; done
[ "${1:-}" = -- ] && shift
extra=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
