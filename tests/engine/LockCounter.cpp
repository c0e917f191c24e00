#include "LockCounter.h"
#include "ThreadSanitizerBuild.h"

#include <atomic>
#include <dlfcn.h>
#include <pthread.h>

namespace
{
thread_local std::size_t acquisitions = 0;

// Resolved on first use without a function-local static: its guard could itself take a mutex.
template <typename Function> Function real(std::atomic<void*>& cache, const char* name)
{
    auto* function = cache.load(std::memory_order_relaxed);

    if (function == nullptr)
    {
        function = dlsym(RTLD_NEXT, name);
        cache.store(function, std::memory_order_relaxed);
    }

    return reinterpret_cast<Function>(function);
}

// Unused under ThreadSanitizer, whose wrappers are called directly (below).
[[maybe_unused]] std::atomic<void*> mutexLock{nullptr}, mutexTryLock{nullptr}, readLock{nullptr},
    writeLock{nullptr};
} // namespace

#if SORVANDEL_THREAD_SANITIZER
// ThreadSanitizer's own wrappers live in this executable, where RTLD_NEXT cannot find them; the
// calls go to them so that it still sees every lock taken.
extern "C"
{
    int __interceptor_pthread_mutex_lock(pthread_mutex_t*);
    int __interceptor_pthread_mutex_trylock(pthread_mutex_t*);
    int __interceptor_pthread_rwlock_rdlock(pthread_rwlock_t*);
    int __interceptor_pthread_rwlock_wrlock(pthread_rwlock_t*);
}
#define SORVANDEL_FORWARD(function, cache, argument) __interceptor_##function(argument)
#else
#define SORVANDEL_FORWARD(function, cache, argument) real<decltype(&function)>(cache, #function)(argument)
#endif

namespace locks
{
Scope::Scope()
    : start(acquisitions)
{
}

std::size_t Scope::count() const
{
    return acquisitions - start;
}
} // namespace locks

extern "C"
{
    int pthread_mutex_lock(pthread_mutex_t* mutex)
    {
        ++acquisitions;
        return SORVANDEL_FORWARD(pthread_mutex_lock, mutexLock, mutex);
    }

    int pthread_mutex_trylock(pthread_mutex_t* mutex)
    {
        ++acquisitions;
        return SORVANDEL_FORWARD(pthread_mutex_trylock, mutexTryLock, mutex);
    }

    int pthread_rwlock_rdlock(pthread_rwlock_t* lock)
    {
        ++acquisitions;
        return SORVANDEL_FORWARD(pthread_rwlock_rdlock, readLock, lock);
    }

    int pthread_rwlock_wrlock(pthread_rwlock_t* lock)
    {
        ++acquisitions;
        return SORVANDEL_FORWARD(pthread_rwlock_wrlock, writeLock, lock);
    }
}
