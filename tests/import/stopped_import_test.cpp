// Imports stopped at a seeded point, in a forked child, by SIGTERM (the
// handler removes its temporaries) or SIGKILL (the next run removes them),
// then run again to the end.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "fileio/replace_file.h"
#include "import/start_import.h"
#include "platform/stop_signals.h"
#include "tests/support/io_faults.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

void Import(const std::string& source, const std::string& root) {
    RecordingMessageWindow window;
    ImportRun run = StartImport(source, root, window);
    ASSERT_TRUE(run.Started()) << run.message;
    run.workers.Join();
}

TEST(StoppedImport, LeavesEachStoredFileOldOrNewAndTheNextRunFinishes) {
    constexpr int kFiles = 12;
    for (const int signal : {SIGTERM, SIGKILL}) {
        for (const int stopAt : {0, 5, 11}) {
            SCOPED_TRACE(testing::Message() << "signal " << signal << " at file " << stopAt);
            TempDir base;
            const std::string source = base / "src", root = base / "root";
            std::vector<Bytes> olds, news;
            for (int i = 0; i < kFiles; ++i) {
                const std::string name = "/d" + std::to_string(i % 3) + "/f" + std::to_string(i);
                news.push_back(TextLike(3000 + 500 * i, 7 + i));
                olds.push_back(i % 2 == 0 ? TextLike(100, i) : Bytes());
                WriteFile(source + name, news.back());
                if (!olds.back().empty()) {
                    Bytes stored;
                    CompressBuffer(olds.back(), *std::make_unique<LzssWindow>(), stored);
                    WriteFile(root + name + ".aup", stored);
                }
            }
            const pid_t child = fork();
            if (child == 0) {
                HandleStopSignals("stopped import");
                const StopWhileWriting stop(stopAt, signal);
                Import(source, root);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            if (signal == SIGTERM) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << status;
            } else {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
            }
            const auto check = [&](bool finished) {
                for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
                    const std::string name = entry.path().filename();
                    EXPECT_TRUE((signal == SIGKILL && !finished) || !IsTemporaryFileName(name))
                        << entry.path();
                }
                for (int i = 0; i < kFiles; ++i) {
                    const std::string stored =
                        root + "/d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".aup";
                    std::vector<std::uint8_t> content;
                    if (!fs::exists(stored)) {
                        EXPECT_TRUE(!finished && olds[i].empty()) << stored;
                        continue;
                    }
                    EXPECT_EQ(DecompressStoredFile(stored, *std::make_unique<LzssWindow>(), content,
                                                   TruncationReport::kSilent),
                              StoredFileState::kWhole);
                    EXPECT_TRUE(content == news[i] || (!finished && content == olds[i])) << stored;
                }
            };
            check(false);
            Import(source, root);
            check(true);
        }
    }
}

}  // namespace
}  // namespace kelvarin::test
