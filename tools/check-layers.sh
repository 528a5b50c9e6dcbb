#!/bin/sh
# Checks that includes run one way: the updater's core above catalogue,
# machine, transport and ui, those above the updater's base, and all of them
# above common/, which knows no program. Lists every include of a higher
# layer's header and exits non-zero when there is one.
set -eu
cd "$(dirname "$0")/.."

headers_of() {
    for dir in "$@"; do
        find "$dir" -name '*.h' -exec basename {} \;
    done
}

status=0
# check LOWER_DIRS -- HIGHER_DIRS
check() {
    lower=""
    while [ "$1" != "--" ]; do lower="$lower $1"; shift; done
    shift
    for header in $(headers_of "$@"); do
        if grep -rn --include='*.h' --include='*.cpp' "#include \"$header\"" $lower; then
            status=1
        fi
    done
}

middle="updater/catalogue updater/machine updater/transport updater/ui"
check updater/base $middle common -- updater/core
check updater/base common -- $middle
check common -- updater/base tray selfupdate
[ $status -eq 0 ] && echo "includes run one way"
exit $status
