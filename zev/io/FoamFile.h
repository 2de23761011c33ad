// Internal to the OpenFOAM case reader: one file of a case (its FoamFile header and its body), the
// tokens of its dictionary syntax, its dictionaries, and the fast reading of its long lists (points,
// faces, labels, field values), ASCII or binary as the header says.
#pragma once

#include "zev/io/FormatError.h"
#include "zev/io/OpenFoamReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zev::io::foam {

// The values of one long list: components values per item, in the file's order.
struct NumberList {
    int components = 1;
    std::vector<double> values;

    std::size_t size() const { return components > 0 ? values.size() / components : 0; }
};

struct Token {
    enum class Kind { Word, Number, String, Punct, List };
    Kind kind = Kind::Punct;
    std::string text; // a word or a string's contents
    double number = 0.0;
    char punct = 0;
    std::shared_ptr<NumberList> list; // a long list read at once (after "nonuniform" or List<T>)
    std::size_t offset = 0;           // where the token starts in the file's text

    bool is(char p_punct) const { return kind == Kind::Punct && punct == p_punct; }
    bool isWord(char const* p_word) const { return kind == Kind::Word && text == p_word; }
};

class Dictionary;

// One entry of a dictionary: a keyword with either a sub-dictionary or the tokens up to its ';'.
struct Entry {
    std::string key;
    std::size_t offset = 0;
    std::vector<Token> tokens;
    std::unique_ptr<Dictionary> dict;
};

class Dictionary {
public:
    Dictionary const* parent = nullptr;
    std::vector<Entry> entries;

    // The entry of that keyword in this dictionary, or null (the last one wins, as in the format).
    Entry const* find(std::string_view p_key) const;
    // The entry of that keyword here or in an enclosing dictionary (what "$key" refers to), or null.
    Entry const* lookup(std::string_view p_key) const;
    Dictionary const* subDictionary(std::string_view p_key) const;
    // The single word of an entry ("type wall;"), or "" when it is missing or not one word.
    std::string word(std::string_view p_key) const;
};

// A file of a case in memory with its header read.
class File {
public:
    // p_name is used in messages; p_bytes the whole (already decompressed) file.
    File(std::string p_name, FoamBytes p_bytes);

    std::string const& name() const { return m_name; }
    std::string const& className() const { return m_class; }
    bool binary() const { return m_binary; }
    int labelBytes() const { return m_labelBytes; }
    int scalarBytes() const { return m_scalarBytes; }
    // The header's "note" (where polyMesh files give their counts), or "".
    std::string const& note() const { return m_note; }

    // Position of the body (just after the header).
    std::size_t bodyStart() const { return m_bodyStart; }

    // A FormatError at that byte of the text, given as the line holding it.
    [[noreturn]] void fail(std::size_t p_offset, std::string const& p_message) const;

    // Reading from a position; every function leaves p_pos after what it read.
    void skipSpace(std::size_t& p_pos) const;
    bool atEnd(std::size_t p_pos) const;
    Token next(std::size_t& p_pos) const;
    void expect(std::size_t& p_pos, char p_punct, char const* p_what) const;
    std::int64_t readLabel(std::size_t& p_pos, char const* p_what) const;

    // A list of p_components values per item: "N ( ... )", "N { value }" or, in binary, "N (bytes)".
    // ASCII items of several components are "(a b c)". Labels are read as integers.
    NumberList readList(std::size_t& p_pos, int p_components, bool p_labels, char const* p_what) const;
    // A list of integers ("N (...)", "N{v}" or binary) straight into ints, each checked to lie in
    // [p_min, p_max].
    std::vector<int> readLabels(std::size_t& p_pos, std::int64_t p_min, std::int64_t p_max,
                                char const* p_what) const;
    // A faceList: "N ( k(a b ...) ... )" into offsets (N + 1) and vertex labels, each checked against
    // p_numPoints; more corners in all than an int counts is refused.
    void readFaces(std::size_t& p_pos, int p_numPoints, std::vector<int>& p_offsets,
                   std::vector<int>& p_labels) const;

    // The dictionary from p_pos to the end of the text (or to the '}' closing it when p_nested).
    std::unique_ptr<Dictionary> readDictionary(std::size_t& p_pos, Dictionary const* p_parent,
                                               bool p_nested) const;

    // The value of a field entry ("uniform V" or "nonuniform List<T> N (...)") as p_count items of
    // p_components values; an entry "$name" is looked up in p_scope first.
    std::shared_ptr<NumberList const> fieldValues(Entry const& p_entry, Dictionary const& p_scope,
                                                  int p_components, std::size_t p_count) const;

private:
    std::size_t lineOf(std::size_t p_offset) const;
    // Reads a label list onto the end of p_out; returns its item count.
    std::size_t appendLabels(std::size_t& p_pos, std::int64_t p_min, std::int64_t p_max, char const* p_what,
                             std::vector<int>& p_out) const;
    double readNumber(std::size_t& p_pos, bool p_label, char const* p_what) const;
    void readBinary(std::size_t& p_pos, std::size_t p_count, bool p_labels, double* p_out,
                    char const* p_what) const;
    void readEntryTokens(std::size_t& p_pos, Entry& p_entry, Dictionary const* p_scope) const;

    std::string m_name;
    std::shared_ptr<void const> m_owner;
    std::string_view m_text;
    std::string m_class;
    std::string m_note;
    bool m_binary = false;
    int m_labelBytes = 4;
    int m_scalarBytes = 8;
    std::size_t m_bodyStart = 0;
};

// The components of a field or list type ("scalar" 1, "vector" 3, "symmTensor" 6, "tensor" 9,
// "sphericalTensor" 1, "label" 1), or 0 for a type that holds no numbers.
int componentsOf(std::string_view p_type);

// The contents of a file, decompressed when it is gzip data (by its first bytes). p_name is used in
// messages.
FoamBytes decompressIfNeeded(FoamBytes p_data, std::string const& p_name);

} // namespace zev::io::foam
