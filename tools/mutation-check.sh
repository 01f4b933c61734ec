#!/usr/bin/env bash
# Plants small hand-made faults in the sources, one at a time, and tells which of them the tests catch.
#   tools/mutation-check.sh [--rev REV] [--scratch DIR] [--in-place BUILD] [--list FILE] [--only N[,N...]]
# Each line of the list (tools/mutation/mutants.txt) is "file @@ sed expression @@ test ...": the
# expression must change the file. The sources of REV (default: the working tree's HEAD) are copied
# to DIR/tree and built in DIR/build (configured once, then incremental); each mutant is applied,
# its tests are built and run by CTest, and the file is put back. A mutant that no longer compiles
# is named "stillborn" and left out of the count. With --in-place BUILD the faults go into this
# checkout itself (each file is put back after its run) and BUILD is its build folder: no second
# build on a busy machine, but leave the checkout alone while it runs. Slow (a build per mutant):
# run it by hand, niced.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(git -C "$here" rev-parse --show-toplevel)
rev=HEAD
scratch=${TMPDIR:-/tmp}/petalwright-mutants
list=$here/mutation/mutants.txt
only=
inPlace=
while [ $# -gt 0 ]; do
    case $1 in
    --rev) rev=$2; shift 2 ;;
    --scratch) scratch=$2; shift 2 ;;
    --list) list=$2; shift 2 ;;
    --only) only=,$2,; shift 2 ;;
    --in-place) inPlace=$(cd "$2" && pwd) || exit 2; shift 2 ;;
    *) echo "usage: $0 [--rev REV] [--scratch DIR] [--in-place BUILD] [--list FILE] [--only N[,N...]]" >&2; exit 2 ;;
    esac
done

tree=$scratch/tree build=$scratch/build logs=$scratch/logs
if [ -n "$inPlace" ]; then
    tree=$repo build=$inPlace
    mkdir -p "$logs"
else
    mkdir -p "$tree" "$logs"
    rm -rf "$scratch/export" && mkdir -p "$scratch/export"
    git -C "$repo" archive --format=tar "$rev" | tar -x -C "$scratch/export" || exit 2
    # Only changed files get a new time, so the build stays incremental between revisions.
    (cd "$scratch/export" && find . ! -type d) | while IFS= read -r f; do
        cmp -s "$scratch/export/$f" "$tree/$f" || { mkdir -p "$(dirname "$tree/$f")" && cp -P "$scratch/export/$f" "$tree/$f"; }
    done
    (cd "$tree" && find . ! -type d) | while IFS= read -r f; do [ -e "$scratch/export/$f" ] || rm -f "$tree/$f"; done
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DPETALWRIGHT_BUILD_BENCH=OFF -DPETALWRIGHT_BUILD_TOOLS=OFF >"$logs/configure.log" 2>&1 \
        || { echo "configure failed: $logs/configure.log" >&2; exit 2; }
fi

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }
files=() exprs=() tests=()
while IFS= read -r line; do
    case $line in ''|'#'*) continue ;; esac
    rest=${line#*@@}
    files+=("$(trim "${line%%@@*}")")
    exprs+=("$(trim "${rest%@@*}")")
    tests+=("$(trim "${rest##*@@}")")
done <"$list"

build_tests() { cmake --build "$build" -j 2 --target $1 >"$2" 2>&1; }
run_tests() {
    local names; names=$(printf '%s|' $1); names=${names%|}
    ctest --test-dir "$build" -R "^(${names})\$" --timeout 300 >"$2" 2>&1
}

# Without a fault every listed test must pass, or the figures mean nothing.
all=$(printf '%s\n' "${tests[@]}" | tr ' ' '\n' | sort -u | tr '\n' ' ')
build_tests "$all" "$logs/baseline-build.log" || { echo "baseline build failed: $logs/baseline-build.log" >&2; exit 2; }
start=$(date +%s)
run_tests "$all" "$logs/baseline-tests.log" || { echo "baseline tests fail: $logs/baseline-tests.log" >&2; exit 2; }
echo "baseline: $(grep -c 'Test *#' "$logs/baseline-tests.log") tests pass in $(( $(date +%s) - start )) s"

# An interrupted run still puts the sound file back.
current=
trap '[ -n "$current" ] && cp "$scratch/original" "$current"; exit 130' INT TERM
caught=0 missed=0 stillborn=0 missedList=
for i in "${!files[@]}"; do
    n=$((i + 1))
    [ -n "$only" ] && [[ $only != *,$n,* ]] && continue
    file=$tree/${files[$i]}
    cp -p "$file" "$scratch/original"
    current=$file
    sed -i -e "${exprs[$i]}" "$file"
    if cmp -s "$file" "$scratch/original"; then
        echo "mutant $n: the expression changes nothing in ${files[$i]}" >&2
        exit 2
    fi
    if ! build_tests "${tests[$i]}" "$logs/mutant-$n-build.log"; then
        verdict=stillborn; stillborn=$((stillborn + 1))
    elif run_tests "${tests[$i]}" "$logs/mutant-$n-tests.log"; then
        verdict=MISSED; missed=$((missed + 1)); missedList="$missedList $n"
    else
        verdict=caught; caught=$((caught + 1))
    fi
    cp "$scratch/original" "$file" # a new time: the next build compiles the sound file again
    current=
    printf '%3d %-9s %s  %s\n' "$n" "$verdict" "${files[$i]}" "${exprs[$i]}"
done
echo "caught $caught of $((caught + missed)) (stillborn $stillborn); missed:${missedList:- none}"
