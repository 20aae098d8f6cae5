// Writes the recordings of the memory benchmark: a table of 2^20 entries that all point at
// one telemetry record, with no duration in the movie header (so only the absolute record
// bound applies), for the text-track and the interleaved second-track layouts.
// Usage: make_repeated_recording <folder>
#include "BoxWriter.h"

#include <cstdio>
#include <string>

using namespace velto::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_repeated_recording <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const uint32_t entries = 1u << 20;
    const struct {
        const char* name;
        RepeatedLayout layout;
    } files[] = {{"REPEAT_TEXT.MP4", RepeatedLayout::TextTrack},
                 {"REPEAT_SECOND.MP4", RepeatedLayout::SecondTrack}};
    for (const auto& f : files) {
        const std::string path = folder + "/" + f.name;
        if (!TempDir::WriteFile(path, OneRecordRepeated(f.layout, entries))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
