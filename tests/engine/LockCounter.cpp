#include "LockCounter.h"

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

std::atomic<void*> mutexLock{nullptr}, mutexTryLock{nullptr}, readLock{nullptr}, writeLock{nullptr};
} // namespace

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
        return real<int (*)(pthread_mutex_t*)>(mutexLock, "pthread_mutex_lock")(mutex);
    }

    int pthread_mutex_trylock(pthread_mutex_t* mutex)
    {
        ++acquisitions;
        return real<int (*)(pthread_mutex_t*)>(mutexTryLock, "pthread_mutex_trylock")(mutex);
    }

    int pthread_rwlock_rdlock(pthread_rwlock_t* lock)
    {
        ++acquisitions;
        return real<int (*)(pthread_rwlock_t*)>(readLock, "pthread_rwlock_rdlock")(lock);
    }

    int pthread_rwlock_wrlock(pthread_rwlock_t* lock)
    {
        ++acquisitions;
        return real<int (*)(pthread_rwlock_t*)>(writeLock, "pthread_rwlock_wrlock")(lock);
    }
}
