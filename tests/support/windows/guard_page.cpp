#include <windows.h>

#include "tests/support/guard_page.h"

namespace kelvarin::test {

GuardedPage::GuardedPage() {
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    m_page = system.dwPageSize;
    void* base = ::VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    if (base != nullptr &&
        ::VirtualProtect(static_cast<std::uint8_t*>(base) + m_page, m_page, PAGE_NOACCESS, &old)) {
        m_base = static_cast<std::uint8_t*>(base);
    } else if (base != nullptr) {
        ::VirtualFree(base, 0, MEM_RELEASE);
    }
}

GuardedPage::~GuardedPage() {
    if (m_base != nullptr) {
        ::VirtualFree(m_base, 0, MEM_RELEASE);
    }
}

}  // namespace kelvarin::test
