#pragma once

#include <cstddef>

// Counts heap allocations made on the calling thread while a scope is open. The test
// executables that link AllocationCounter.cpp replace the global operator new/delete.
namespace allocation
{
std::size_t countOnThisThread();

class Scope
{
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    // Allocations made on this thread since the scope opened.
    std::size_t count() const;

private:
    std::size_t start;
};
} // namespace allocation
