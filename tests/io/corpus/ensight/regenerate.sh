#!/usr/bin/env bash
# Rebuilds the EnSight Gold reader's test cases: OpenFOAM's foamToEnsight run on
# copies of the OpenFOAM test cases beside this folder (../foam), as ASCII
# ("-ascii") or as C binary (its default), with cell values or, for the
# "-nodes" case, node values ("-nodeValues"). The converter needs the
# numerical schemes a case's system folder lacks; the icoFoam cavity
# tutorial's are copied in. Run with: bash regenerate.sh, then
# /usr/bin/python3 reference.py for reference.json.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
foam=$here/../foam
tutorials=${FOAM_TUTORIALS_DIR:-/usr/share/doc/openfoam-examples/examples}
schemes=$tutorials/incompressible/icoFoam/cavity/cavity/system
export WM_PROJECT_DIR=${WM_PROJECT_DIR:-/usr/share/openfoam}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# convert <foam case> <name> [options...]: writes the case as <name>/<foam case>.case.
convert() {
    local source=$1 name=$2
    shift 2
    local dir=$scratch/$name
    rm -rf "$dir"
    cp -r "$foam/$source" "$dir"
    for f in fvSchemes fvSolution; do
        if [[ -f $schemes/$f.gz ]]; then gunzip -c "$schemes/$f.gz" >"$dir/system/$f"; else cp "$schemes/$f" "$dir/system/"; fi
    done
    if ! (cd "$dir" && foamToEnsight -name EnSight "$@" >log.foamToEnsight 2>&1); then
        tail -n 30 "$dir/log.foamToEnsight" >&2
        echo "regenerate.sh: foamToEnsight $* failed on $source" >&2
        exit 1
    fi
    rm -rf "${here:?}/$name"
    cp -r "$dir/EnSight" "$here/$name"
}

convert cavity cavity-ascii -ascii
convert cavity cavity-binary
convert cavity cavity-nodes -nodeValues
convert mixed mixed-ascii -ascii
convert mixed mixed-binary
convert poly poly-ascii -ascii
convert poly poly-binary
convert moving moving-ascii -ascii
