// Internal to the EnSight Gold reader: the .case file that names a case's geometry and variable files and
// their time sets.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zev::io {

struct EnsightCase {
    struct TimeSet {
        std::vector<double> values;
        std::vector<long long> fileNumbers; // one per step
    };
    // A file name, with a run of '*' standing for the step's file number, and the time set it follows
    // (0 for none).
    struct FileName {
        int timeSet = 0;
        std::string pattern;
        std::size_t line = 0; // in the case file
    };
    struct Variable {
        std::string name;
        bool vector = false;
        bool perNode = false;
        FileName file;
    };

    FileName geometry;
    bool changeCoordsOnly = false;
    int connectivityStep = 0; // the step whose geometry file holds the connectivity
    std::vector<Variable> variables;
    std::map<int, TimeSet> timeSets;
    std::vector<std::string> notes;

    // Parses the text of a case file named p_name in messages; a FormatError names the line at fault.
    static EnsightCase parse(std::string const& p_name, std::string const& p_text);

    // The file name of step p_step of p_file's time set (the pattern itself without one).
    std::string fileAt(FileName const& p_file, std::size_t p_step) const;
};

} // namespace zev::io
