#!/usr/bin/env bash
# Rebuilds the OpenFOAM reader's test cases from the installed tutorials and
# the inputs beside this script. Each case is built in a scratch directory,
# then only what a case reader needs is copied here: constant/polyMesh, the
# time directories, system/controlDict and an empty <case>.foam marker.
# Solvers run serially. Run with: bash regenerate.sh [case ...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/inputs
tutorials=${FOAM_TUTORIALS_DIR:-/usr/share/doc/openfoam-examples/examples}
export WM_PROJECT_DIR=${WM_PROJECT_DIR:-/usr/share/openfoam}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# run <case dir> <log name> <command...>: runs an OpenFOAM program in a case,
# keeping its output in the scratch log and showing it only on failure.
run() {
    local dir=$1 log=$2
    shift 2
    if ! (cd "$dir" && "$@" >"log.$log" 2>&1); then
        tail -n 30 "$dir/log.$log" >&2
        echo "regenerate.sh: '$*' failed in $dir" >&2
        exit 1
    fi
}

# fromTutorial <tutorial path> <scratch case>: copies a tutorial and unpacks
# the files the package ships gzipped.
fromTutorial() {
    cp -r "$tutorials/$1" "$2"
    find "$2" -name '*.gz' -exec gunzip -f {} +
}

# publish <scratch case> <name>: copies what the reader needs into the corpus.
publish() {
    local src=$1 name=$2 dst=$here/$2
    rm -rf "$dst"
    mkdir -p "$dst/constant" "$dst/system"
    cp -r "$src/constant/polyMesh" "$dst/constant/"
    rm -rf "$dst/constant/polyMesh/sets"
    cp "$src/system/controlDict" "$dst/system/"
    local t
    for t in "$src"/*; do
        [[ -d $t && $(basename "$t") =~ ^[0-9.eE+-]+$ ]] && cp -r "$t" "$dst/"
    done
    : >"$dst/$name.foam"
}

cavity() { # <name>: the lid-driven cavity run with the case's own controlDict
    local c=$scratch/$1
    fromTutorial incompressible/icoFoam/cavity/cavity "$c"
    cp "$inputs/$1/controlDict" "$c/system/controlDict"
    run "$c" blockMesh blockMesh
    run "$c" icoFoam icoFoam
    run "$c" centres postProcess -func writeCellCentres
    publish "$c" "$1"
}

pitzDaily() {
    local c=$scratch/pitzDaily
    fromTutorial incompressible/simpleFoam/pitzDaily "$c"
    cp "$inputs/pitzDaily/controlDict" "$c/system/controlDict"
    run "$c" blockMesh blockMesh
    run "$c" simpleFoam simpleFoam
    publish "$c" pitzDaily
}

mixed() {
    local c=$scratch/mixed
    fromTutorial incompressible/icoFoam/cavity/cavity "$c"
    rm -rf "$c/0" "$c/system/blockMeshDict" "$c/system/PDRblockMeshDict"
    mkdir -p "$c/0"
    cp "$inputs/mixed/controlDict" "$c/system/controlDict"
    cp "$inputs/mixed/T" "$c/0/T"
    run "$c" gmsh gmsh -3 -format msh22 -o mixed.msh "$inputs/mixed/mixed.geo"
    run "$c" gmshToFoam gmshToFoam mixed.msh
    run "$c" centres postProcess -func writeCellCentres
    run "$c" volumes postProcess -func writeCellVolumes
    publish "$c" mixed
}

poly() {
    local c=$scratch/poly
    fromTutorial incompressible/icoFoam/cavity/cavity "$c"
    rm -rf "$c/0" "$c/system/PDRblockMeshDict"
    mkdir -p "$c/0"
    cp "$inputs/poly/controlDict" "$c/system/controlDict"
    cp "$inputs/poly/blockMeshDict" "$c/system/blockMeshDict"
    run "$c" blockMesh blockMesh
    run "$c" polyDualMesh polyDualMesh 60 -overwrite
    run "$c" centres postProcess -func writeCellCentres
    run "$c" volumes postProcess -func writeCellVolumes
    publish "$c" poly
}

moving() { # the cavity's mesh moved by a point displacement field
    local c=$scratch/moving
    fromTutorial incompressible/icoFoam/cavity/cavity "$c"
    cp "$inputs/moving/controlDict" "$inputs/moving/fvSolution" "$c/system/"
    cp "$inputs/moving/dynamicMeshDict" "$c/constant/"
    cp "$inputs/moving/pointDisplacement" "$c/0/"
    run "$c" blockMesh blockMesh
    run "$c" moveDynamicMesh moveDynamicMesh
    run "$c" volumes postProcess -func writeCellVolumes
    publish "$c" moving
}

decomposed() { # the cavity split in three along x, kept only as its processor folders (as after a
    # parallel run whose case was never reconstructed); decomposePar's links to the root's uniform/
    # folders are left dangling on purpose
    local c=$scratch/cavity-decomposed dst=$here/cavity-decomposed
    fromTutorial incompressible/icoFoam/cavity/cavity "$c"
    cp "$inputs/cavity/controlDict" "$c/system/controlDict"
    cp "$inputs/cavity-decomposed/decomposeParDict" "$c/system/"
    run "$c" blockMesh blockMesh
    run "$c" icoFoam icoFoam
    run "$c" centres postProcess -func writeCellCentres
    run "$c" decomposePar decomposePar -time '0:0.5'
    rm -rf "$dst"
    mkdir -p "$dst/system"
    cp -r "$c"/processor* "$dst/"
    cp "$c/system/controlDict" "$dst/system/"
    : >"$dst/cavity-decomposed.foam"
}

cases=("$@")
[[ ${#cases[@]} -gt 0 ]] || cases=(cavity cavity-binary cavity-gz pitzDaily mixed poly moving decomposed)
for name in "${cases[@]}"; do
    echo "== $name"
    case $name in
    cavity | cavity-binary | cavity-gz) cavity "$name" ;;
    pitzDaily | mixed | poly | moving | decomposed) "$name" ;;
    *)
        echo "regenerate.sh: unknown case $name" >&2
        exit 1
        ;;
    esac
done
du -sh "$here"
