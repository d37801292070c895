#pragma once

// A process-wide object of the engine, under a slim reader/writer lock, that
// is on the heap only while it is needed. The library keeps no object with a
// destructor that could outlive its code: the holder has none, and what it
// holds is made and deleted by the engine's own calls.

#include <windows.h>

#include <new>
#include <utility>

template <typename T>
class HeapGlobal {
public:
    constexpr HeapGlobal() = default;
    HeapGlobal(const HeapGlobal&) = delete;
    HeapGlobal& operator=(const HeapGlobal&) = delete;

    // The object, or null, for as long as the exclusive lock is held.
    class Exclusive {
    public:
        explicit Exclusive(HeapGlobal& global) : global_(global)
        {
            AcquireSRWLockExclusive(&global_.lock_);
        }
        ~Exclusive() { ReleaseSRWLockExclusive(&global_.lock_); }
        Exclusive(const Exclusive&) = delete;
        Exclusive& operator=(const Exclusive&) = delete;

        T* get() const { return global_.object_; }
        T* operator->() const { return global_.object_; }
        explicit operator bool() const { return global_.object_ != nullptr; }
        // Makes the object if there is none; null when memory has run out.
        T* Ensure()
        {
            if (!global_.object_)
                global_.object_ = new (std::nothrow) T;
            return global_.object_;
        }
        // Gives the object up; the caller deletes it, if need be once the
        // lock is released.
        T* Take() { return std::exchange(global_.object_, nullptr); }

    private:
        HeapGlobal& global_;
    };

    // The object, or null, for reading, for as long as the shared lock is held.
    class Shared {
    public:
        explicit Shared(HeapGlobal& global) : global_(global)
        {
            AcquireSRWLockShared(&global_.lock_);
        }
        ~Shared() { ReleaseSRWLockShared(&global_.lock_); }
        Shared(const Shared&) = delete;
        Shared& operator=(const Shared&) = delete;

        const T* get() const { return global_.object_; }
        const T* operator->() const { return global_.object_; }
        explicit operator bool() const { return global_.object_ != nullptr; }

    private:
        HeapGlobal& global_;
    };

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    T* object_ = nullptr;
};
