// Threads, timers and the lock, on real threads with real sleeps.
#include "support/vxthread.h"

#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

DWORD Now() {
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count());
}

struct Ticks {
    std::atomic<int> count{0};
    std::atomic<DWORD> first{0};
};

void __stdcall CountTick(void* p) {
    auto* t = static_cast<Ticks*>(p);
    DWORD zero = 0;
    t->first.compare_exchange_strong(zero, Now());
    ++t->count;
}

bool WaitUntil(const std::atomic<int>& value, int atLeast, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (value < atLeast) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

// The process's handle count. Wine does not count handles; there the value
// of a new handle stands in for it, since Wine hands out the lowest free slot.
DWORD HandleCount() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n)
        return n;
    vx::unique_handle probe(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(probe.get()) / 4);
}

unsigned __stdcall SetEventThread(void* p) {
    SetEvent(static_cast<HANDLE>(p));
    return 5;
}

unsigned __stdcall BlockForever(void* p) {
    WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
    return 9;
}

} // namespace

TEST(Timer, FirstCallAfterOneIntervalAndAtMostOneCallAfterKill) {
    CVxThread threads;
    Ticks ticks;
    DWORD start = Now();
    threads.StartTimer(1, CountTick, 40, &ticks);
    ASSERT_TRUE(WaitUntil(ticks.count, 3, 5000));
    // The flags are checked before the sleep: the first call is one interval in.
    EXPECT_GE(ticks.first - start, 35u);

    threads.KillTimer(1);
    int atKill = ticks.count;
    Sleep(200);
    EXPECT_LE(ticks.count, atKill + 1);
    int settled = ticks.count;
    Sleep(100);
    EXPECT_EQ(settled, ticks.count) << "the timer went on after its kill";
}

TEST(Timer, RunningIdIsLeftAloneAndKilledIdReusesItsRecord) {
    CVxThread threads;
    Ticks a, b;
    threads.StartTimer(7, CountTick, 20, &a);
    threads.StartTimer(7, CountTick, 20, &b);
    ASSERT_TRUE(WaitUntil(a.count, 2, 5000));
    EXPECT_EQ(0, b.count);
    EXPECT_EQ(1u, threads.GetTimerCount());

    threads.KillTimer(7);
    threads.StartTimer(7, CountTick, 20, &b);
    EXPECT_EQ(1u, threads.GetTimerCount());
    int aAtRestart = a.count;
    ASSERT_TRUE(WaitUntil(b.count, 3, 5000));
    EXPECT_LE(a.count, aAtRestart + 1) << "the killed timer's thread runs on";
    threads.Stop();
}

TEST(Timer, TwelveTimersRunAtOnceAndStopEndsThemAll) {
    CVxThread threads;
    std::vector<Ticks> ticks(12);
    for (int i = 0; i < 12; ++i)
        threads.StartTimer(100 + i, CountTick, 15, &ticks[i]);
    // Each timer counts into its own record's data: a record that moved
    // while its thread ran would count into the wrong place or crash.
    for (Ticks& t : ticks)
        ASSERT_TRUE(WaitUntil(t.count, 3, 5000));

    threads.Stop();
    EXPECT_TRUE(threads.isStopped());
    std::vector<int> atStop;
    for (Ticks& t : ticks)
        atStop.push_back(t.count);
    Sleep(150);
    for (int i = 0; i < 12; ++i)
        EXPECT_LE(ticks[i].count, atStop[i] + 1) << "timer " << i;
}

TEST(Timer, EveryTimerThreadHandleIsClosedWhicheverWayItEnds) {
    {
        // Whatever the first thread of a process opens once is not counted.
        CVxThread warm;
        Ticks t;
        warm.StartTimer(0, CountTick, 1, &t);
        WaitUntil(t.count, 1, 5000);
    }
    DWORD before = HandleCount();
    {
        CVxThread threads;
        std::vector<Ticks> ticks(20);
        for (int i = 0; i < 20; ++i)
            threads.StartTimer(i, CountTick, 10, &ticks[i]);
        for (Ticks& t : ticks)
            ASSERT_TRUE(WaitUntil(t.count, 1, 5000));
        // Half end by themselves and close their own handles; Stop waits for
        // the rest and closes theirs.
        for (int i = 0; i < 10; ++i)
            threads.KillTimer(i);
        Sleep(100);
        threads.Stop();
    }
    EXPECT_TRUE(vxtest::WaitFor([&] { return HandleCount() <= before; }, 2000))
        << HandleCount() - before << " handles more than before";
}

TEST(Thread, DetachedStartReturnsNullAndJoinedStartGivesTheHandle) {
    CVxThread threads;
    vx::unique_handle ran(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(nullptr, threads.StartThread(SetEventThread, ran.get(), 1));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ran.get(), 5000));

    ResetEvent(ran.get());
    vx::unique_handle joined(threads.StartThread(SetEventThread, ran.get(), 0));
    ASSERT_TRUE(joined);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(joined.get(), 5000));
    DWORD code = 0;
    GetExitCodeThread(joined.get(), &code);
    EXPECT_EQ(5u, code);
}

TEST(Thread, ExitThreadTerminatesAThreadThatDoesNotEnd) {
    CVxThread threads;
    vx::unique_handle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE h = threads.StartThread(BlockForever, never.get(), 0);
    ASSERT_NE(nullptr, h);
    vx::unique_handle watch;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), watch.put(), 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    threads.ExitThread(h, 50);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watch.get(), 2000));
    DWORD code = 1;
    GetExitCodeThread(watch.get(), &code);
    EXPECT_EQ(0u, code) << "terminated with exit code 0";
}

TEST(Thread, SharedObjectIsOne) {
    EXPECT_EQ(&GetVxThread(), &GetVxThread());
}

TEST(Lock, TimeOutsCountFiveMillisecondSteps) {
    CLock lock;
    EXPECT_FALSE(lock.isLocked());
    ASSERT_TRUE(lock.Lock(0));
    EXPECT_TRUE(lock.isLocked());

    DWORD start = Now();
    EXPECT_FALSE(lock.Lock(0));
    EXPECT_LT(Now() - start, 5u) << "a time-out of 0 tests once without sleeping";

    // 12 counts sleeps at 0, 5 and 10: three of 5 ms.
    start = Now();
    EXPECT_FALSE(lock.Lock(12));
    EXPECT_GE(Now() - start, 14u);

    // Freed by a thread that never took it.
    std::thread([&] { lock.Unlock(); }).join();
    EXPECT_FALSE(lock.isLocked());
}

TEST(Lock, WaiterTakesTheLockWhenItIsFreed) {
    CLock lock;
    ASSERT_TRUE(lock.Lock(0));
    std::thread release([&] {
        Sleep(30);
        lock.Unlock();
    });
    EXPECT_TRUE(lock.Lock(2000));
    release.join();
    EXPECT_TRUE(lock.isLocked());
}

TEST(Lock, TakingIsOneStepSoTwoThreadsNeverHoldItTogether) {
    CLock lock;
    int plain = 0;
    std::atomic<int> inside{0}, overlaps{0};
    auto work = [&] {
        for (int i = 0; i < 200; ++i) {
            while (!lock.Lock(1000)) {
            }
            if (++inside > 1)
                ++overlaps;
            ++plain;
            --inside;
            lock.Unlock();
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(0, overlaps);
    EXPECT_EQ(400, plain);
}
