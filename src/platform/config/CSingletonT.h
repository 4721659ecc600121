#pragma once

#include <atomic>

#include <boost/thread/locks.hpp>
#include <boost/thread/shared_mutex.hpp>

namespace utils {

// Process-wide singleton of the terminal's services. Creation is
// double-checked: the unlocked test reads the pointer with acquire order, the
// second test and the construction run under the exclusive lock, and the new
// instance is published with release order, so a thread that sees the pointer
// also sees a fully constructed object.
template <typename T>
class CSingletonT
{
public:
    static T* instance()
    {
        T* p = s_pInstance.load(std::memory_order_acquire);
        if (p == nullptr) {
            boost::unique_lock<boost::shared_mutex> lock(s_mutex);
            p = s_pInstance.load(std::memory_order_relaxed);
            if (p == nullptr) {
                p = new T();
                s_pInstance.store(p, std::memory_order_release);
            }
        }
        return p;
    }

    // Destroys the instance; the next instance() creates a fresh one.
    static void release()
    {
        boost::unique_lock<boost::shared_mutex> lock(s_mutex);
        T* p = s_pInstance.exchange(nullptr, std::memory_order_acq_rel);
        delete p;
    }

    static std::atomic<T*> s_pInstance;
    static boost::shared_mutex s_mutex;

private:
    CSingletonT() = delete;
};

template <typename T>
std::atomic<T*> CSingletonT<T>::s_pInstance{nullptr};

template <typename T>
boost::shared_mutex CSingletonT<T>::s_mutex;

} // namespace utils
