// Malformed input: every file of the regression corpus fails with its exact diagnostic, and no truncation
// or byte flip of a valid file crashes the reader or gets past it unreported.
#include "zev/io/FormatError.h"
#include "zev/io/VtkLegacyReader.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace zev::io;

std::string const s_corpus = ZEVGEOM_CORPUS_DIR;

std::string slurp(std::string const& p_path)
{
    std::ifstream in(p_path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> filesIn(std::string const& p_dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(p_dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string const name = e->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".vtk") {
                names.push_back(name);
            }
        }
        closedir(d);
    }
    return names;
}

TEST(VtkReaderErrors, CorpusGivesExactDiagnostics)
{
    std::ifstream list(s_corpus + "/expected.txt");
    ASSERT_TRUE(list) << "missing " << s_corpus << "/expected.txt";
    std::set<std::string> listed;
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::size_t const tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string const name = line.substr(0, tab);
        std::string expected = line.substr(tab + 1);
        std::string const path = s_corpus + "/" + name;
        expected.replace(expected.find("FILE"), 4, path);
        listed.insert(name);
        try {
            VtkLegacyReader::readFile(path);
            ADD_FAILURE() << name << " was read without an error";
        } catch (FormatError const& e) {
            EXPECT_EQ("zevgeom: " + std::string(e.what()), expected) << name;
            EXPECT_EQ(("zevgeom: " + std::string(e.what())), expected) << name;
        }
    }
    EXPECT_GE(listed.size(), 40u);
    for (std::string const& name : filesIn(s_corpus)) {
        EXPECT_EQ(listed.count(name), 1u) << name << " has no expected diagnostic";
    }
}

TEST(VtkReaderErrors, DiagnosticPlaces)
{
    EXPECT_STREQ(FormatError("a.vtk", 7, 99, "bad").what(), "a.vtk:7: bad");
    EXPECT_STREQ(FormatError("a.vtk", 0, 99, "bad").what(), "a.vtk:byte 99: bad");
    EXPECT_STREQ(FormatError("a.vtk", 0, FormatError::s_noOffset, "bad").what(), "a.vtk: bad");
    EXPECT_EQ("zevgeom: " + std::string(FormatError("a.vtk", 3, 0, "bad").what()), "zevgeom: a.vtk:3: bad");
    EXPECT_EQ(FormatError::s_exitCode, 2);
}

// Reads p_data; a FormatError is an acceptable outcome, anything else (a crash, another exception) is not.
bool readsOrReports(std::string const& p_data)
{
    try {
        VtkLegacyReader::readBuffer(p_data, "cut.vtk");
        return true;
    } catch (FormatError const&) {
        return false;
    }
}

TEST(VtkReaderErrors, EveryTruncationAndByteFlipOfValidFilesIsHandled)
{
    std::vector<std::string> const valid = filesIn(s_corpus + "/valid");
    ASSERT_GE(valid.size(), 2u);
    for (std::string const& name : valid) {
        SCOPED_TRACE(name);
        std::string const data = slurp(s_corpus + "/valid/" + name);
        MeshData const whole = VtkLegacyReader::readBuffer(data, name);
        EXPECT_EQ(whole.numPoints(), 4u);
        EXPECT_EQ(whole.numCells(), 1u);
        // A cut reads only where the original continues with a new section (or nothing): a cut inside a
        // header or inside data must be reported.
        for (std::size_t n = 0; n < data.size(); ++n) {
            std::size_t const next = data.find_first_not_of(" \t\r\n", n);
            bool const atSection =
                next == std::string::npos || std::isalpha(static_cast<unsigned char>(data[next]));
            if (readsOrReports(data.substr(0, n))) {
                EXPECT_TRUE(atSection) << "cut at " << n << " read without an error";
            }
        }
        for (std::size_t i = 0; i < data.size(); ++i) {
            for (unsigned char flip : {0x01, 0x80, 0xff}) {
                std::string changed = data;
                changed[i] = static_cast<char>(static_cast<unsigned char>(changed[i]) ^ flip);
                readsOrReports(changed);
            }
        }
    }
}

} // namespace
