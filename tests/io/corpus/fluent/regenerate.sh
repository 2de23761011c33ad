#!/usr/bin/env bash
# Rebuilds the Fluent reader's test files from the OpenFOAM cases beside this folder: foamMeshToFluent
# writes each case's mesh (fluentInterface/<case>.msh) and foamDataToFluent its latest fields (the
# fields listed in the dictionary written below), kept here as <case>.cas and <case>.dat; cavity also
# gzipped, and written with binary sections by binary.py.
# Run with: bash regenerate.sh
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
foam=$here/../foam
tutorials=${FOAM_TUTORIALS_DIR:-/usr/share/doc/openfoam-examples/examples}
export WM_PROJECT_DIR=${WM_PROJECT_DIR:-/usr/share/openfoam}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# convert <case> <field id pairs...>: converts a copy of the OpenFOAM case.
convert() {
    local name=$1
    shift
    cp -r "$foam/$name" "$scratch/$name"
    local dir=$scratch/$name
    # The converters read the discretisation settings of the case.
    for f in fvSchemes fvSolution; do
        cp "$tutorials/incompressible/icoFoam/cavity/cavity/system/$f"* "$dir/system/"
    done
    find "$dir/system" -name '*.gz' -exec gunzip -f {} +
    {
        echo 'FoamFile { version 2.0; format ascii; class dictionary; object foamDataToFluentDict; }'
        printf '%s %s;\n' "$@"
    } >"$dir/system/foamDataToFluentDict"
    (cd "$dir" && foamMeshToFluent >log.mesh 2>&1 && foamDataToFluent -latestTime >log.data 2>&1) || {
        tail -n 30 "$dir"/log.* >&2
        exit 1
    }
    cp "$dir/fluentInterface/$name.msh" "$here/$name.cas"
    cp "$(ls "$dir"/fluentInterface/"$name"*.dat | head -n 1)" "$here/$name.dat"
}

# Field numbers: 1 is the pressure, 2 the momentum, 3 the temperature, 101 the density in the solver's
# data files (any number will do for a cross-check).
convert cavity p 1 U 2
convert mixed T 3 C 2 V 101
gzip -9 -n -c "$here/cavity.cas" >"$here/cavity-gz.cas.gz"
gzip -9 -n -c "$here/cavity.dat" >"$here/cavity-gz.dat.gz"
python3 "$here/binary.py" "$here/cavity.cas" "$here/cavity-binary.cas"
python3 "$here/binary.py" "$here/cavity.dat" "$here/cavity-binary.dat"
