#pragma once
// A base class for objects that must exist once only (singletons, owners of process-wide
// state, trackers and search structures tied to one operation or owner): copying and
// assignment are forbidden, and so is moving, which falls back to the deleted copy.

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
