#!/usr/bin/env bash
# The names the public headers declare, tests/install/exported_symbols.txt,
# and (when a shared library is given) the names its dynamic symbol table
# defines must be one list: a leaked internal call or a missing public one
# fails. A static library (.a) is held to the same list: its C names and
# those of namespace mqo outside mqo::detail, the internal one.
# usage: exports.sh SOURCE_DIR [libmqomodel.so | libmqomodel.a]
set -euo pipefail
source_dir=$1
list="$(dirname "$0")/exported_symbols.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Declarations start a line (continuations are indented): a call is the
# first name followed by "(", a global the last name of an extern line.
awk '
/^\/\// || /^#/ || /^extern "C"/ { next }
/^namespace [A-Za-z_]+ \{/ { ns = $2 "::"; next }
/^\} *\/\/ namespace/ { ns = ""; next }
/^extern / {
    sub(/ *\/\/.*/, ""); sub(/[[;].*/, ""); sub(/ +$/, "")
    n = split($0, w, /[^A-Za-z0-9_]+/); print ns w[n]; next
}
/^(typedef|enum|struct|MQO_STATIC_ASSERT)/ { next }
/^[A-Za-z_]/ && match($0, /[A-Za-z_][A-Za-z0-9_]*\(/) { print ns substr($0, RSTART, RLENGTH - 1) }
' "$source_dir"/mqo/MqoModel.h "$source_dir"/mqo/MqoModelStages.h "$source_dir"/mqo/MqoModelGL.h \
    "$source_dir"/mqo/MqoModelGltf.h "$source_dir"/mqo/MqoModelShaded.h |
    LC_ALL=C sort >"$work/headers"
if ! diff -u "$list" "$work/headers"; then
    echo "the public headers and exported_symbols.txt differ (+: only in the headers)" >&2
    exit 1
fi

if [ $# -ge 2 ]; then
    case "$2" in
    *.a)
        # Strong definitions only: weak ones are the template and inline code
        # every C++ archive carries. Compiler and sanitizer names start with
        # "_" or "."; mqo::detail's are the internal ones. Anything else is API.
        nm -C --defined-only --extern-only "$2" 2>/dev/null |
            awk 'NF >= 3 && $2 ~ /^[TDBRGS]$/ { $1 = ""; $2 = ""; print substr($0, 3) }' |
            grep -Ev '^[_.]|^DW\.|^mqo::detail::' | LC_ALL=C sort -u >"$work/exported"
        ;;
    *)
        # The linker's own markers are in every shared library.
        nm -DC --defined-only "$2" | sed -E 's/^[0-9a-f]* +[A-Za-z] //' |
            grep -Ev '^(__bss_start|_edata|_end|_init|_fini)$' | LC_ALL=C sort >"$work/exported"
        ;;
    esac
    if ! diff -u "$list" "$work/exported"; then
        echo "$2 exports other names than exported_symbols.txt (+: only exported)" >&2
        exit 1
    fi
fi
echo "$(wc -l <"$list") names: headers${2:+, $2} and the list agree"
