#include "codec/make_directories.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

int MakeDirectories(const std::string& path) {
    if (path.empty()) {
        return 1;
    }
    std::string folder = path;
    if (folder.back() != '/') {
        folder.push_back('/');
    }
    const std::size_t last = folder.rfind('/');
    // The root "/" always exists; start at the separator after it.
    std::size_t pos = folder.find('/', folder.front() == '/' ? 1 : 0);
    while (pos != std::string::npos && pos <= last) {
        const std::string prefix = folder.substr(0, pos + 1);
        if (::access(prefix.c_str(), F_OK) != 0) {
            ::mkdir(prefix.c_str(), 0777);
        }
        pos = folder.find('/', pos + 1);
    }
    return 1;
}

}  // namespace kelvarin
