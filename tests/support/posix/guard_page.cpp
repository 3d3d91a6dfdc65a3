#include <sys/mman.h>
#include <unistd.h>

#include "tests/support/guard_page.h"

namespace kelvarin::test {

GuardedPage::GuardedPage() : m_page(static_cast<std::size_t>(::sysconf(_SC_PAGESIZE))) {
    void* base =
        ::mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base != MAP_FAILED &&
        ::mprotect(static_cast<std::uint8_t*>(base) + m_page, m_page, PROT_NONE) == 0) {
        m_base = static_cast<std::uint8_t*>(base);
    } else if (base != MAP_FAILED) {
        ::munmap(base, 2 * m_page);
    }
}

GuardedPage::~GuardedPage() {
    if (m_base != nullptr) {
        ::munmap(m_base, 2 * m_page);
    }
}

}  // namespace kelvarin::test
