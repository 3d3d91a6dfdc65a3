#include "tests/support/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace kelvarin::test {

namespace {

// In the child: `path` opened on descriptor `target`.
void OpenAs(const std::string& path, int flags, int target) {
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0 || ::dup2(fd, target) < 0) {
        ::_exit(126);
    }
    ::close(fd);
}

}  // namespace

bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool MakeUnreadable(const std::string& path) {
    return ::chmod(path.c_str(), 0) == 0;
}

std::optional<int> RunInChild(const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
}

bool GiveUpRoot() {
    return ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
}

int LevelsBeyondPathLimit() {
    return 20;
}

// Each level opened relative to the one above: no path is too long for that.
std::string MakeDeepFile(const std::string& folder, const std::vector<std::string>& levels,
                         const std::string& file) {
    std::string path = folder;
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    for (const std::string& name : levels) {
        ::mkdirat(fd, name.c_str(), 0700);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += '/' + name;
    }
    ::close(::openat(fd, file.c_str(), O_WRONLY | O_CREAT, 0600));
    ::close(fd);
    return path + '/' + file;
}

std::vector<std::string> UnprivilegedRunner() {
    if (::geteuid() != 0) {
        return {};
    }
    return {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder, const std::string& input, const std::string& output,
               const std::string& errors) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0) {
            ::_exit(126);
        }
        OpenAs(input.empty() ? "/dev/null" : input, O_RDONLY, 0);
        OpenAs(output, O_WRONLY | O_CREAT | O_TRUNC, 1);
        if (errors == output) {
            ::dup2(1, 2);
        } else {
            OpenAs(errors, O_WRONLY | O_CREAT | O_TRUNC, 2);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string DebugOutputOf(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
    const TempDir capture;
    RunProgram(program, arguments, folder, "", "/dev/null", capture / "errors");
    const Bytes bytes = ReadFile(capture / "errors");
    return {bytes.begin(), bytes.end()};
}

}  // namespace kelvarin::test
