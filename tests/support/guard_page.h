// A page of memory followed by one that may not be read, so that a read
// one byte past a buffer placed at the end of the first faults even
// without a sanitizer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvarin::test {

class GuardedPage {
public:
    GuardedPage();  // Ok() false when the system refused either step
    ~GuardedPage();
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    bool Ok() const { return m_base != nullptr; }
    // The first byte past the readable page, where the guard begins.
    std::uint8_t* End() const { return m_base + m_page; }

private:
    std::uint8_t* m_base = nullptr;
    std::size_t m_page = 0;
};

}  // namespace kelvarin::test
