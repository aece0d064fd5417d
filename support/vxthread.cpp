#include "support/vxthread.h"

#include <process.h>

tagVxTimer::tagVxTimer()
    : nId(0), pfnCallback(nullptr), nInterval(0), pOwner(nullptr), lpData(nullptr),
      hThread(nullptr), nKilled(0) {}

tagVxTimer::tagVxTimer(const tagVxTimer& o)
    : nId(o.nId), pfnCallback(o.pfnCallback), nInterval(o.nInterval), pOwner(o.pOwner),
      lpData(o.lpData), hThread(o.hThread.load()), nKilled(o.nKilled.load()) {}

tagVxTimer& tagVxTimer::operator=(const tagVxTimer& o) {
    nId = o.nId;
    pfnCallback = o.pfnCallback;
    nInterval = o.nInterval;
    pOwner = o.pOwner;
    lpData = o.lpData;
    hThread = o.hThread.load();
    nKilled = o.nKilled.load();
    return *this;
}

CVxThread::CVxThread() : m_nStop(0) {}

CVxThread::~CVxThread() {
    Stop();
}

CVxThread::CVxThread(const CVxThread& o) : m_nStop(0) {
    *this = o;
}

CVxThread& CVxThread::operator=(const CVxThread& o) {
    if (this == &o)
        return *this;
    m_nStop = o.m_nStop.load();
    m_timers.clear();
    for (const tagVxTimer& t : o.m_timers) {
        tagVxTimer& copy = m_timers.emplace_back(t);
        copy.pOwner = this;
        copy.hThread = nullptr;
    }
    return *this;
}

HANDLE CVxThread::StartThread(VXTHREADPROC pfn, void* lpParam, int nDetach) {
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, pfn, lpParam, 0, nullptr));
    if (h && nDetach) {
        CloseHandle(h);
        return nullptr;
    }
    return h;
}

void CVxThread::ExitThread(HANDLE hThread, DWORD dwTimeout) {
    if (!hThread)
        return;
    if (WaitForSingleObject(hThread, dwTimeout) != WAIT_OBJECT_0)
        TerminateThread(hThread, 0);
    CloseHandle(hThread);
}

void EndThreadAnsweringSent(HANDLE hThread, DWORD dwTimeout) {
    if (!hThread)
        return;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= dwTimeout || MsgWaitForMultipleObjects(1, &hThread, FALSE, dwTimeout - spent,
                                                            QS_SENDMESSAGE) != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    // The last resort: a thread must not outlive what it touches.
    if (WaitForSingleObject(hThread, 0) != WAIT_OBJECT_0)
        TerminateThread(hThread, 0);
    CloseHandle(hThread);
}

void CVxThread::Stop() {
    m_nStop = 1;
    for (tagVxTimer& t : m_timers) {
        // Taking the handle keeps the thread from closing it as it ends.
        if (HANDLE h = t.hThread.exchange(nullptr))
            ExitThread(h, 100);
    }
}

void CVxThread::StartTimer(int nId, VXTIMERPROC pfn, int nInterval, void* lpData) {
    tagVxTimer rec;
    rec.nId = nId;
    rec.pfnCallback = pfn;
    rec.nInterval = nInterval;
    rec.pOwner = this;
    rec.lpData = lpData;
    tagVxTimer* slot = AddTimer(rec);
    if (!slot)
        return;
    // Started suspended so the handle is in the record before the thread
    // can look for it.
    HANDLE h = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, TimerThread, slot, CREATE_SUSPENDED, nullptr));
    if (!h)
        return;
    slot->hThread = h;
    ResumeThread(h);
}

tagVxTimer* CVxThread::AddTimer(const tagVxTimer& rec) {
    for (tagVxTimer& t : m_timers) {
        if (t.nId != rec.nId)
            continue;
        if (!t.nKilled)
            return nullptr;
        // A killed timer can still be in its last sleep and will read the
        // record when it wakes: let it finish before the record is reused.
        if (HANDLE h = t.hThread.exchange(nullptr))
            ExitThread(h, static_cast<DWORD>(t.nInterval > 0 ? t.nInterval : 0) + 1000);
        t = rec;
        return &t;
    }
    return &m_timers.emplace_back(rec);
}

void CVxThread::KillTimer(int nId) {
    for (tagVxTimer& t : m_timers) {
        if (t.nId == nId) {
            t.nKilled = 1;
            return;
        }
    }
}

unsigned __stdcall CVxThread::TimerThread(void* lpParam) {
    auto* rec = static_cast<tagVxTimer*>(lpParam);
    while (rec->pOwner->m_nStop == 0 && rec->nKilled == 0) {
        Sleep(static_cast<DWORD>(rec->nInterval > 0 ? rec->nInterval : 0));
        if (rec->pfnCallback)
            rec->pfnCallback(rec->lpData);
    }
    if (HANDLE h = rec->hThread.exchange(nullptr))
        CloseHandle(h);
    return 0;
}

CVxThread& GetVxThread() {
    static CVxThread thread;
    return thread;
}

CLock::CLock() : m_bLocked(false) {}

CLock::~CLock() = default;

CLock::CLock(const CLock& o) : m_bLocked(o.m_bLocked.load()) {}

CLock& CLock::operator=(const CLock& o) {
    m_bLocked = o.m_bLocked.load();
    return *this;
}

bool CLock::Lock(int nTimeout) {
    Wait(nTimeout);
    bool expected = false;
    return m_bLocked.compare_exchange_strong(expected, true);
}

void CLock::Wait(int nTimeout) {
    // Nominal time: 5 per sleep, whatever the sleeps really took.
    for (int counted = 0; m_bLocked && counted < nTimeout; counted += 5)
        Sleep(5);
}

void CLock::Unlock() {
    m_bLocked = false;
}

bool CLock::isLocked() const {
    return m_bLocked;
}
