// Imports stopped at a seeded point, in a forked child, by SIGTERM (the
// handler removes its temporaries, or with a stop hook the run stops and
// reports), or SIGKILL (the next run removes them), then run again to the
// end.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "fileio/replace_file.h"
#include "import/import_tally.h"
#include "import/start_import.h"
#include "platform/queued_message_window.h"
#include "platform/stop_signals.h"
#include "tests/support/io_faults.h"
#include "tests/support/process.h"
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

std::atomic<bool> g_stopAsked{false};

// As the command line runs it: the first signal asks the run to stop, and the
// stored files the tally says were written go to `named`; then the process
// ends as a stopped one.
[[noreturn]] void ImportUntilStopped(const std::string& source, const std::string& root,
                                     const std::string& named) {
    QueuedMessageWindow window;
    const ScopedStopHook hook([&window](int) {
        g_stopAsked = true;
        window.PostMessage(kWmUser, 0, 0);
    });
    ImportRun run = StartImport(source, root, window);
    ImportTally tally(run, false);
    std::deque<PostedMessage> batch;
    while (!tally.Finished()) {
        window.TakeAllFor(std::chrono::milliseconds(100), batch);
        if (g_stopAsked.load()) {
            run.progress->RequestAbandon();
        }
        for (const PostedMessage& posted : batch) {
            tally.Take(posted.message, posted.wParam, posted.lParam);
        }
    }
    run.End();
    std::string text;
    for (const std::string& stored : tally.WrittenStoredFiles()) {
        text += stored + "\n";
    }
    WriteFile(named, text);
    std::_Exit(g_stopAsked ? 128 + SIGTERM : 0);
}

// The stored name of the test's file i.
std::string StoredName(int i) {
    return "d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".aup";
}

constexpr int kHooked = 0;  // SIGTERM to a run with a stop hook
constexpr int kKill = 9;    // SIGKILL

TEST(StoppedImport, LeavesEachStoredFileOldOrNewAndTheNextRunFinishes) {
    constexpr int kFiles = 12;
    for (const int signal : {kHooked, SIGTERM, kKill}) {
        for (const int stopAt : {0, 5, 11}) {
            SCOPED_TRACE(testing::Message() << "signal " << signal << " at file " << stopAt);
            TempDir base;
            const std::string source = base / "src", root = base / "root";
            std::vector<std::optional<Bytes>> olds;
            std::vector<Bytes> news;
            for (int i = 0; i < kFiles; ++i) {
                const std::string name = StoredName(i);
                news.push_back(TextLike(3000 + 500 * i, 7 + i));
                olds.push_back(i % 2 == 0 ? std::optional(TextLike(100, i)) : std::nullopt);
                WriteFile(source + "/" + name.substr(0, name.size() - 4), news.back());
                if (olds.back()) {
                    Bytes stored;
                    CompressBuffer(*olds.back(), *std::make_unique<LzssWindow>(), stored);
                    WriteFile(root + "/" + name, stored);
                }
            }
            const std::string named = base / "named";
            const std::optional<int> ended = RunInChild([&] {
                HandleStopSignals("stopped import");
                if (signal == kHooked) {
                    const StopWhileWriting stop(stopAt, SIGTERM, &g_stopAsked);
                    ImportUntilStopped(source, root, named);
                }
                const StopWhileWriting stop(stopAt, signal);
                Import(source, root);
            });
            if (!ended) {
                GTEST_SKIP() << "the run is stopped in a forked child, and Windows has no fork";
            }
            EXPECT_EQ(*ended, signal == kKill ? 256 + kKill : 128 + SIGTERM);
            // File i's stored content: nullopt when there is none, empty when not whole.
            const auto storedContent = [&](int i) -> std::optional<Bytes> {
                const std::string stored = root + "/" + StoredName(i);
                Bytes content;
                if (!fs::exists(stored)) {
                    return std::nullopt;
                }
                return DecompressStoredFile(stored, *std::make_unique<LzssWindow>(), content,
                                            TruncationReport::kSilent) == StoredFileState::kWhole
                           ? content
                           : Bytes{};
            };
            const auto check = [&](bool finished) {
                for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
                    const std::string name = entry.path().filename().string();
                    EXPECT_TRUE((signal == kKill && !finished) || !IsTemporaryFileName(name))
                        << entry.path();
                }
                for (int i = 0; i < kFiles; ++i) {
                    const std::optional<Bytes> content = storedContent(i);
                    EXPECT_TRUE(content == news[i] || (!finished && content == olds[i]))
                        << StoredName(i);
                }
            };
            check(false);
            if (signal == kHooked) {
                // What the stopped run names is exactly what it changed.
                const Bytes text = ReadFile(named);
                std::istringstream lines(std::string(text.begin(), text.end()));
                std::set<std::string> names;
                for (std::string line; std::getline(lines, line);) {
                    names.insert(line);
                }
                for (int i = 0; i < kFiles; ++i) {
                    EXPECT_EQ(names.count(StoredName(i)), storedContent(i) == news[i] ? 1u : 0u)
                        << StoredName(i);
                }
            }
            Import(source, root);
            check(true);
        }
    }
}

}  // namespace
}  // namespace kelvarin::test
