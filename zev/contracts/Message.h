#pragma once
// Message templates with numbered tokens %1 .. %9. Each value filled in takes the next
// token number; every occurrence of that token is replaced by the value as a default
// formatted stream writes it. A value whose token does not occur leaves the text unchanged
// and writes a warning (without line end) to standard error.

#include "zev/ZEVExport.h"

#include <sstream>
#include <string>

namespace zev {

// One (counter, text) pair; the shared substitution engine of both template kinds.
class ZEV_EXPORT MessageText {
public:
    explicit MessageText(std::string p_text) : m_text(std::move(p_text)) {}

    // Advances the counter and substitutes p_value for its token.
    void substitute(const std::string& p_value);

    const std::string& text() const { return m_text; }
    int counter() const { return m_counter; }

private:
    int m_counter = 0;
    std::string m_text;
};

// A template for texts meant for developers; one text, one warning per unused token.
class ZEV_EXPORT SystemMsg {
public:
    explicit SystemMsg(std::string p_text) : m_text(std::move(p_text)) {}

    template <class T> SystemMsg& arg(const T& p_value)
    {
        std::ostringstream os;
        os << p_value;
        m_text.substitute(os.str());
        return *this;
    }
    template <class T> SystemMsg& operator<<(const T& p_value) { return arg(p_value); }

    const std::string& str() const { return m_text.text(); }
    operator std::string() const { return m_text.text(); }

private:
    MessageText m_text;
};

// A template for texts shown to users. It keeps two copies of the text (one of them meant
// for translation); every value is substituted into both, so an unused token is reported
// twice. The flag pointer is accepted for interface compatibility and not used.
class ZEV_EXPORT UserMsg {
public:
    explicit UserMsg(const std::string& p_text, const bool* p_flag = nullptr)
        : m_first(p_text), m_second(p_text), m_flag(p_flag)
    {
    }

    template <class T> UserMsg& arg(const T& p_value)
    {
        std::ostringstream os;
        os << p_value;
        m_first.substitute(os.str());
        m_second.substitute(os.str());
        return *this;
    }
    template <class T> UserMsg& operator<<(const T& p_value) { return arg(p_value); }

    const std::string& str() const { return m_first.text(); }
    operator std::string() const { return m_first.text(); }
    const bool* flag() const { return m_flag; }

private:
    MessageText m_first;
    MessageText m_second;
    const bool* m_flag;
};

} // namespace zev
