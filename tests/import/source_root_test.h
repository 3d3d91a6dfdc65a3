// The fixture base of the import tests that work on a source folder "New"
// and a root folder "upd" side by side in a temporary folder of their own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "scan/collect_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

class SourceAndRootTest : public testing::Test {
protected:
    SourceAndRootTest()
        : m_source(CanonicalFolder(m_dir / "New")), m_root(CanonicalFolder(m_dir / "upd")) {
        std::filesystem::create_directories(m_source);
        std::filesystem::create_directories(m_root);
    }

    std::string Source(std::string_view relative) const {
        return m_source + "/" + std::string(relative);
    }
    std::string Stored(std::string_view relative) const {
        return m_root + "/" + std::string(relative);
    }

    TempDir m_dir;
    std::string m_source;
    std::string m_root;
};

}  // namespace kelvarin::test
