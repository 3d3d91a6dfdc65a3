// The tally keeps one fate per dealt file, so every count, the list of
// written files and the --json document are read off the same record and
// cannot disagree with each other.
#include "import/import_tally.h"

#include <algorithm>

#include "fileio/paths.h"
#include "import/import_messages.h"
#include "import/log_line.h"
#include "import/stored_path.h"
#include "scan/client_names.h"
#include "scan/run_notes.h"

namespace kelvarin {

namespace {

constexpr std::size_t kNoFile = SIZE_MAX;
constexpr double kBytesPerMegabyte = 1e6;

std::string WithoutLineEnd(std::string line) {
    if (line.ends_with("\r\n")) {
        line.resize(line.size() - 2);
    }
    return line;
}

}  // namespace

const char* FateName(FileFate fate) {
    switch (fate) {
        case FileFate::kAdded:
            return "added";
        case FileFate::kUpdated:
            return "updated";
        case FileFate::kUnchanged:
            return "unchanged";
        case FileFate::kFailed:
        case FileFate::kNotStarted:
            return "failed";
        case FileFate::kRefused:
            return "refused";
        case FileFate::kAbandoned:
            return "abandoned";
        case FileFate::kNotBegun:
            break;
    }
    return "not-begun";
}

ImportTally::ImportTally(const ImportRun& run, bool dryRun)
    : m_sourceRoot(run.sourceRoot),
      m_workerFiles(run.workerFiles),
      m_failureReasons(run.failureReasons),
      m_sizes(run.fileSizes),
      m_refused(run.refusedFiles),
      m_dryRun(dryRun),
      m_fates(m_workerFiles->size()),
      m_current(m_workerFiles->size(), kNoFile),
      m_notStartedReasons(m_workerFiles->size()) {
    m_sizes.resize(m_workerFiles->size());
    for (std::size_t k = 0; k < m_workerFiles->size(); ++k) {
        m_fates[k].assign((*m_workerFiles)[k].size(), FileFate::kNotBegun);
        m_sizes[k].resize((*m_workerFiles)[k].size());
        m_filesDealt += (*m_workerFiles)[k].size();
    }
    for (std::string& note : RunNotes(run.findings)) {
        m_openingLines.push_back({std::move(note), LineKind::kNote});
    }
    for (const RefusedFile& file : m_refused) {
        std::string line = RefusedFileLine(file, m_sourceRoot);
        AddProblem(line);
        m_openingLines.push_back({std::move(line), LineKind::kProblem});
    }
    for (const WorkerNotStarted& worker : run.workersNotStarted) {
        const auto k = static_cast<std::size_t>(worker.workerIndex);
        if (k < m_fates.size()) {
            std::fill(m_fates[k].begin(), m_fates[k].end(), FileFate::kNotStarted);
            m_notStartedReasons[k] = worker.message;
        }
        m_notStarted.push_back(worker.message);
        AddProblem(worker.message);
    }
}

FileFate* ImportTally::FateOf(std::uintptr_t fileIndex, std::int32_t worker) {
    const auto k = static_cast<std::uint32_t>(worker);
    if (k >= m_fates.size() || fileIndex >= m_fates[k].size()) {
        return nullptr;
    }
    return &m_fates[k][fileIndex];
}

void ImportTally::FinishCurrentFile(std::int32_t worker) {
    const auto k = static_cast<std::uint32_t>(worker);
    if (k >= m_current.size()) {
        return;
    }
    if (m_current[k] != kNoFile) {
        ++m_filesDone;
    }
    m_current[k] = kNoFile;
}

void ImportTally::AddProblem(std::string line) {
    m_problems.push_back(WithoutLineEnd(std::move(line)));
}

std::optional<TallyLine> ImportTally::Take(unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
    const std::int32_t worker = MessageWorkerIndex(lParam);
    FileFate* fate = FateOf(wParam, worker);
    switch (message) {
        case WM_IMPORT_PROGRESS:
            FinishCurrentFile(worker);
            if (fate != nullptr) {
                const auto k = static_cast<std::size_t>(worker);
                m_current[k] = wParam;
                *fate = FileFate::kUnchanged;
                m_currentFile = (*m_workerFiles)[k][wParam];
                m_currentFileSize = m_sizes[k][wParam];
                m_currentWorker = k;
            }
            return std::nullopt;
        case WM_IMPORT_FINISHED:
            FinishCurrentFile(worker);
            ++m_finishedWorkers;
            return std::nullopt;
        case WM_IMPORT_ABANDONED:
            if (fate != nullptr) {
                *fate = FileFate::kAbandoned;
            }
            return std::nullopt;
        case WM_IMPORT_ADDED:
        case WM_IMPORT_UPDATED:
        case WM_IMPORT_FAILED:
            break;
        default:
            return std::nullopt;
    }
    const std::string path = LookUpWorkerFile(*m_workerFiles, wParam, lParam);
    const std::string reason = message == WM_IMPORT_FAILED
                                   ? LookUpWorkerFile(*m_failureReasons, wParam, lParam)
                                   : std::string();
    TallyLine line{ImportLogLine(message, path, m_sourceRoot, lParam, reason), LineKind::kProblem};
    if (message == WM_IMPORT_ADDED) {
        line.kind = LineKind::kAdded;
    } else if (message == WM_IMPORT_UPDATED) {
        line.kind = LineKind::kUpdated;
    } else {
        AddProblem(line.text);
    }
    if (fate != nullptr) {
        *fate = message == WM_IMPORT_ADDED     ? FileFate::kAdded
                : message == WM_IMPORT_UPDATED ? FileFate::kUpdated
                                               : FileFate::kFailed;
    }
    return line;
}

std::uint64_t ImportTally::CountOf(FileFate fate) const {
    std::uint64_t count = 0;
    for (const std::vector<FileFate>& fates : m_fates) {
        count += static_cast<std::uint64_t>(std::count(fates.begin(), fates.end(), fate));
    }
    return count;
}

std::uint64_t ImportTally::FilesNotBegun() const {
    return CountOf(FileFate::kNotBegun);
}

std::uint64_t ImportTally::FilesAbandoned() const {
    return CountOf(FileFate::kAbandoned);
}

ImportCounts ImportTally::Counts(double seconds) const {
    ImportCounts counts;
    std::uint64_t bytesDone = 0;
    for (std::size_t k = 0; k < m_fates.size(); ++k) {
        for (std::size_t i = 0; i < m_fates[k].size(); ++i) {
            switch (m_fates[k][i]) {
                case FileFate::kAdded:
                    ++counts.added;
                    break;
                case FileFate::kUpdated:
                    ++counts.updated;
                    break;
                case FileFate::kUnchanged:
                    ++counts.unchanged;
                    break;
                case FileFate::kFailed:
                case FileFate::kNotStarted:
                    ++counts.failed;
                    continue;  // its bytes were given up on
                case FileFate::kNotBegun:
                case FileFate::kAbandoned:
                case FileFate::kRefused:
                    continue;
            }
            bytesDone += m_sizes[k][i];
        }
    }
    counts.refused = m_refused.size();
    counts.seconds = seconds;
    counts.megabytesPerSecond =
        seconds > 0 ? static_cast<double>(bytesDone) / kBytesPerMegabyte / seconds : 0.0;
    counts.dryRun = m_dryRun;
    return counts;
}

std::vector<FileReport> ImportTally::Files() const {
    std::vector<FileReport> files;
    const auto report = [this](const std::string& path, FileFate fate, std::uint64_t bytes,
                               std::string reason) {
        const std::string name(DisplayName(path, m_sourceRoot));
        return FileReport{path, name,  PublishedName(name), StoredRelativePath(name),
                          fate, bytes, std::move(reason)};
    };
    for (const RefusedFile& file : m_refused) {
        files.push_back(report(file.path, FileFate::kRefused, file.bytes,
                               std::string(RefusalText(file.reason))));
    }
    // With n workers, entry i of list k is entry n * i + k of the scan.
    const std::size_t workers = m_fates.size();
    for (std::size_t index = 0; index < m_filesDealt; ++index) {
        const std::size_t k = index % workers, i = index / workers;
        const FileFate fate = m_fates[k][i];
        std::string reason = fate == FileFate::kFailed       ? (*m_failureReasons)[k][i]
                             : fate == FileFate::kNotStarted ? m_notStartedReasons[k]
                                                             : std::string();
        files.push_back(report((*m_workerFiles)[k][i], fate, m_sizes[k][i], std::move(reason)));
    }
    return files;
}

std::vector<std::string> ImportTally::WrittenStoredFiles() const {
    std::vector<std::string> paths;
    for (const FileReport& file : Files()) {
        if (file.fate == FileFate::kAdded || file.fate == FileFate::kUpdated) {
            paths.push_back(file.stored);
        }
    }
    return paths;
}

bool ImportTally::EverythingDone() const {
    return m_refused.empty() && CountOf(FileFate::kFailed) == 0 &&
           CountOf(FileFate::kNotStarted) == 0;
}

}  // namespace kelvarin
