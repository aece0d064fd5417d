// Worker threads, periodic timers each on a thread of its own, and a small
// polling lock with a time-out.
#pragma once

#include "support/vxapi.h"

#include <windows.h>
#include <atomic>
#include <deque>

class CVxThread;

typedef unsigned(__stdcall* VXTHREADPROC)(void* lpParam);
typedef void(__stdcall* VXTIMERPROC)(void* lpData);

// One timer. Its thread reads and writes the record in place, so records
// never move while their threads run.
struct VX_API tagVxTimer {
    int nId;
    VXTIMERPROC pfnCallback;
    int nInterval;
    CVxThread* pOwner;
    void* lpData;
    // Whoever swaps the handle out for null closes it: the timer thread when
    // it ends by itself, or whoever waits for it.
    std::atomic<HANDLE> hThread;
    std::atomic<int> nKilled;

    tagVxTimer();
    tagVxTimer(const tagVxTimer& o);
    tagVxTimer& operator=(const tagVxTimer& o);
};

class VX_API CVxThread {
public:
    CVxThread();
    // Stops this object's timers first: their threads read the table and
    // the stop flag, which must outlive them.
    ~CVxThread();
    // A copy gets the timer settings, not the threads: those stay with the
    // object that started them.
    CVxThread(const CVxThread& o);
    CVxThread& operator=(const CVxThread& o);

    // Starts pfn(lpParam) at once. With nDetach the handle is closed and null
    // returned; otherwise the caller owns the handle (null on failure).
    HANDLE StartThread(VXTHREADPROC pfn, void* lpParam, int nDetach);
    // Waits up to dwTimeout ms for the thread, terminates it if still running,
    // and closes the handle either way.
    void ExitThread(HANDLE hThread, DWORD dwTimeout);
    // Tells every timer to stop and gives each running timer thread 100 ms.
    void Stop();

    // Calls pfn(lpData) every nInterval ms on a new thread, the first call one
    // interval from now. An id that is running is left as it is; a killed
    // id's record is reused.
    void StartTimer(int nId, VXTIMERPROC pfn, int nInterval, void* lpData);
    // Marks the timer killed; it ends after its current sleep (one more call
    // may follow). Does not wait.
    void KillTimer(int nId);

    bool isStopped() const { return m_nStop != 0; }
    size_t GetTimerCount() const { return m_timers.size(); }

private:
    tagVxTimer* AddTimer(const tagVxTimer& rec);
    static unsigned __stdcall TimerThread(void* lpParam);

    std::atomic<int> m_nStop;
    // A deque keeps its elements where they are as it grows.
    std::deque<tagVxTimer> m_timers;
};

// Waits up to dwTimeout ms for the thread to end while answering messages
// sent to this thread (a thread that sends to this one could otherwise never
// end), terminates it if it still runs, and closes the handle.
VX_API void EndThreadAnsweringSent(HANDLE hThread, DWORD dwTimeout);

// The application's shared thread object, constructed on first use.
VX_API CVxThread& GetVxThread();

// A lock for std::lock_guard that cannot fail. std::mutex reports a failure
// by throwing std::system_error, whose code brings the C++ runtime's narrow
// string class (some 40 KB) into the exe.
class CVxMutex {
public:
    CVxMutex() = default;
    CVxMutex(const CVxMutex&) = delete;
    CVxMutex& operator=(const CVxMutex&) = delete;
    void lock() { AcquireSRWLockExclusive(&m_lock); }
    void unlock() { ReleaseSRWLockExclusive(&m_lock); }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

class VX_API CLock {
public:
    CLock();
    ~CLock();
    CLock(const CLock& o);
    CLock& operator=(const CLock& o);

    // Waits up to nTimeout ms (counted in 5 ms sleeps) for the lock to be
    // free, then takes it: true if taken.
    bool Lock(int nTimeout);
    // Frees the lock, whoever holds it.
    void Unlock();
    bool isLocked() const;

private:
    void Wait(int nTimeout);

    std::atomic<bool> m_bLocked;
};
