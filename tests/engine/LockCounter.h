#pragma once

#include <cstddef>

// Counts mutex acquisitions made on the calling thread while a scope is open. LockCounter.cpp
// interposes the pthread mutex calls for the whole engine test executable and forwards them.
namespace locks
{
class Scope
{
public:
    Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    std::size_t count() const;

private:
    std::size_t start;
};
} // namespace locks
