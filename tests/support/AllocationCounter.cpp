#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

#include "ThreadSanitizerBuild.h"

#if SORVANDEL_THREAD_SANITIZER
#include <sanitizer/allocator_interface.h>
#endif

namespace
{
thread_local std::size_t allocations = 0;
} // namespace

namespace allocation
{
std::size_t countOnThisThread()
{
    return allocations;
}

Scope::Scope()
    : start(allocations)
{
}

Scope::~Scope() = default;

std::size_t Scope::count() const
{
    return allocations - start;
}
} // namespace allocation

#if SORVANDEL_THREAD_SANITIZER
// ThreadSanitizer brings its own operator new and delete, which must stay in place for it to
// see every allocation; its allocator tells the counter instead. It reports malloc as well,
// which the audio thread must not call either.
namespace
{
void countAllocation(const volatile void*, std::size_t)
{
    ++allocations;
}

void ignoreRelease(const volatile void*) {}

const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(countAllocation, ignoreRelease);
} // namespace
#else
namespace
{
void* allocate(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
    ++allocations;
    const auto align = static_cast<std::size_t>(alignment);
    const auto rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;
    if (void* p = std::aligned_alloc(align, rounded))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(size, alignment);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
#endif
