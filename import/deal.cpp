// Round-robin deal: the index of a file in its worker's list is its index
// in the whole list divided by the number of workers, which is all a
// receiver needs.
#include "import/deal.h"

namespace kelvarin {

void DealFiles(const std::vector<std::string>& allFiles, WorkerFileLists& workerFiles) {
    for (auto& list : workerFiles) {
        list.clear();
    }
    for (std::size_t i = 0; i < allFiles.size(); ++i) {
        workerFiles[i % workerFiles.size()].push_back(allFiles[i]);
    }
}

}  // namespace kelvarin
