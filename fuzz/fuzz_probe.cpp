// libFuzzer target for the chipset probe: the input is a whole recording.
// It is handed to DetectChipset as a file (an in-memory file behind
// /proc/self/fd), since the probe reads by path with positioned reads.

#include "ChipsetProbe.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const size_t kMaxInput = 1 << 20;

int InputFile() {
    static const int fd = ::memfd_create("fuzz_probe", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    return fd;
}

bool Fill(int fd, const uint8_t* data, size_t size) {
    if (::ftruncate(fd, 0) != 0)
        return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput)
        return 0;
    const int fd = InputFile();
    if (!Fill(fd, data, size))
        std::abort();
    const int kind = DetectChipset("/proc/self/fd/" + std::to_string(fd));
    if (kind < 0 || kind > 5)
        std::abort();
    return 0;
}
