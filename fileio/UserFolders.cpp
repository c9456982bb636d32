#include "fileio/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace rorirer {
namespace {

constexpr mode_t kNewFolderMode = 0700;

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path == "/" ? "" : path;
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (isAbsolute(home)) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, &buffer[0], buffer.size(), &found) != 0 ||
        found == nullptr || !isAbsolute(found->pw_dir)) {
        return "";
    }
    return found->pw_dir;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool userFolder(const char* variable, const char* belowHome, std::string& folder) {
    const char* named = std::getenv(variable);
    if (isAbsolute(named)) {
        folder = withoutTrailingSlashes(named);
        return true;
    }
    const std::string home = homeFolder();
    if (home.empty()) return false;
    folder = withoutTrailingSlashes(home) + "/" + belowHome;
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    const size_t end = path.find_last_not_of('/', slash);
    if (end == std::string::npos) return "/";
    return path.substr(0, end + 1);
}

int makeFolders(const std::string& folder, std::string& failedAt) {
    if (isFolder(folder)) return 0;
    // Each prefix ending before a slash, then the whole: one step per
    // character of the path at most.
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && (folder[at] != '/' || folder[at - 1] == '/')) continue;
        failedAt = folder.substr(0, at);
        if (::mkdir(failedAt.c_str(), kNewFolderMode) == 0) continue;
        const int error = errno;
        if (error == EEXIST && isFolder(failedAt)) continue;
        return error == EEXIST ? ENOTDIR : error;
    }
    return 0;
}

}  // namespace rorirer
