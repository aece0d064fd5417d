// Memory that ends right at a page no one may touch: a buffer placed at its
// tail faults on the first read or write past its end.
#pragma once

#include <windows.h>
#include <cstddef>

namespace vxtest {

class GuardedBlock {
public:
    // Room for at least bytes usable bytes before the guard page.
    explicit GuardedBlock(size_t bytes) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        size_t page = si.dwPageSize;
        size_t usable = (bytes + page - 1) / page * page;
        m_base = static_cast<char*>(
            VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!m_base)
            return;
        m_guard = m_base + usable;
        DWORD old = 0;
        MEMORY_BASIC_INFORMATION mbi = {};
        m_ok = VirtualProtect(m_guard, page, PAGE_NOACCESS, &old) &&
               VirtualQuery(m_guard, &mbi, sizeof(mbi)) == sizeof(mbi) &&
               mbi.Protect == PAGE_NOACCESS;
    }
    ~GuardedBlock() {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;

    // Whether the block exists and its guard page is inaccessible.
    bool ok() const { return m_ok; }
    // count elements whose last one lies right before the guard page.
    template <typename T> T* Tail(size_t count) {
        return reinterpret_cast<T*>(m_guard - count * sizeof(T));
    }

private:
    char* m_base = nullptr;
    char* m_guard = nullptr;
    bool m_ok = false;
};

} // namespace vxtest
