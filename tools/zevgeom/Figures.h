// The figures the reporting commands print, apart from how they were found: one process measures its whole
// mesh, a distributed run adds up the measures of its pieces; both print through the same functions.
#pragma once

#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Report.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zevgeom {

struct VariableRow {
    std::string name;
    std::string location;
    int components = 1;
    ValueRange range;
};

struct InfoFigures {
    std::string source;
    std::size_t vertices = 0;
    std::vector<SetRow> elementSets, faceSets;
    std::size_t elements = 0, faces = 0, lines = 0;
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    double volume = 0;
    std::size_t inverted = 0;
    double boundaryArea = 0;
    std::vector<VariableRow> variables;
};
void printInfo(Options const& p_options, InfoFigures const& p_figures, std::ostream& p_out);

void printIntegral(Options const& p_options, std::string const& p_source, Integral const& p_result,
                   std::ostream& p_out);

// What an integration visitor reports as the average of p_numerator over p_denominator.
double averageOf(bool p_valid, double p_numerator, double p_denominator);

// A cut surface (slice, isosurface) or a selection of elements: its size, measure and integral.
struct CutFigures {
    std::size_t vertices = 0;
    std::size_t count = 0; // faces of a cut, elements of a selection
    std::vector<SetRow> sets;
    double measure = 0; // area of a cut, volume of a selection
    std::size_t inverted = 0;
    bool valid = false; // an integral over a non-empty cut or selection
    double integral = 0;
    double denominator = 0;
};
void printCut(Options const& p_options, std::string const& p_source,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson,
              CutFigures const& p_figures, std::ostream& p_out);
void printSelection(Options const& p_options, std::string const& p_source, std::string const& p_label,
                    std::string const& p_text, Json const& p_what, CutFigures const& p_figures,
                    std::ostream& p_out);

} // namespace zevgeom
