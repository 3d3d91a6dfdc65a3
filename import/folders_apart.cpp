// The nesting checks reuse LiesInside, the one test of folders in folders,
// and the scan's stops around the root.
#include "import/folders_apart.h"

#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"

namespace kelvarin {

NestingCheck CheckNesting(const std::string& source, const std::string& root) {
    if (LiesInside(root, source)) {
        return {Nesting::kRootInsideSource,
                "The root folder " + root + " lies inside the source folder " + source +
                    "; choose a source folder that does not contain it."};
    }
    if (LiesInside(source, root)) {
        return {Nesting::kSourceInsideRoot, "The source folder " + source +
                                                " lies inside the root folder " + root +
                                                "; choose a source folder outside it."};
    }
    return {};
}

RunFolders CheckRunFolders(const std::string& chosenSource, const std::string& rootPath) {
    RunFolders folders;
    using Problem = RunFolders::Problem;
    if (std::string problem = RootFolderProblem(rootPath); !problem.empty()) {
        folders.problem = rootPath.empty() ? Problem::kNoRootFolder : Problem::kRootMissing;
        folders.message = std::move(problem);
        return folders;
    }
    const std::string root = CanonicalFolder(rootPath);
    const std::string source = chosenSource.empty() ? std::string() : CanonicalFolder(chosenSource);
    if (const std::string why = WhyNotAFolder(source); !why.empty()) {
        folders.problem = Problem::kSourceMissing;
        folders.message = "The source folder " + chosenSource + " " + why + ".";
        return folders;
    }
    if (NestingCheck nesting = CheckNesting(source, root); !nesting.Apart()) {
        folders.problem = nesting.nesting == Nesting::kRootInsideSource
                              ? Problem::kRootInsideSource
                              : Problem::kSourceInsideRoot;
        folders.message = std::move(nesting.message);
        return folders;
    }
    folders.root = root;
    folders.source = source;
    return folders;
}

NestingCheck CollectSourceApart(const std::string& source, const std::string& root,
                                std::vector<std::string>& files, ScanReport& report) {
    CollectFiles(source, files, &report, StopsAround(root));
    if (report.stoppedAt.empty()) {
        return {};
    }
    const std::string& link = report.stoppedAt.front();
    return {Nesting::kSourceInsideRoot,
            "The source folder reaches the root folder " + root + " through the link " + link +
                " to " + ResolvedPath(link) + "; remove the link or choose another source folder."};
}

}  // namespace kelvarin
