#pragma once
// A base class for objects that must exist once only (singletons, owners of process-wide
// state): copying and assignment are forbidden.

namespace zev {

class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

} // namespace zev
