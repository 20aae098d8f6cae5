#include "CaptureFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr const char* kCaptureExtension = ".JPG";
// Names tried before giving up: a folder this crowded within one second is
// not a clash any more.
constexpr int kMaxSuffix = 1000;

}  // namespace

std::string CaptureStamp(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        return std::string();
    }
    char text[64];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d-%H-%M-%S", &local);
    return std::string(text, n);
}

std::string CreateCaptureFile(const std::string& folder, const std::string& stamp) {
    if (folder.empty() || stamp.empty()) {
        return std::string();
    }
    const std::string stem = folder + "/" + stamp;
    for (int n = 1; n <= kMaxSuffix; ++n) {
        const std::string path =
            stem + (n == 1 ? std::string() : "-" + std::to_string(n)) + kCaptureExtension;
        const int fd =
            open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return std::string();  // the folder is missing or not writable
        }
    }
    return std::string();
}
