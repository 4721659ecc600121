#pragma once

// Hand-offs through Qt's own queues (the thread pool's, the posted events'),
// told to ThreadSanitizer: Qt is not instrumented, so the order its mutexes
// give is invisible to it, and every job handed over would look like a race.
// `handOffRelease` once the job is complete and just before it is queued,
// `handOffAcquire` first thing where it is taken up, both on an address the
// receiving side has without reading the job (the runnable itself, the
// queued functor's final copy).
// Nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#define KLINE_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KLINE_TSAN_HANDOFF 1
#endif
#endif

#ifdef KLINE_TSAN_HANDOFF
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace utils {

inline void handOffRelease(const void* job)
{
#ifdef KLINE_TSAN_HANDOFF
    __tsan_release(const_cast<void*>(job));
#else
    (void)job;
#endif
}

inline void handOffAcquire(const void* job)
{
#ifdef KLINE_TSAN_HANDOFF
    __tsan_acquire(const_cast<void*>(job));
#else
    (void)job;
#endif
}

} // namespace utils
