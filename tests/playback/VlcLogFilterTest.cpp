// libvlc's log on the terminal: errors only, a repeated message once.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "VlcLogFilter.h"

namespace {

constexpr int kDebug = 0, kNotice = 2, kWarning = 3, kError = 4;

TEST(VlcLogFilter, OnlyErrorsPass) {
    CVlcLogFilter filter;
    EXPECT_FALSE(filter.ShouldPrint(kDebug, "main: creating audio output"));
    EXPECT_FALSE(filter.ShouldPrint(kNotice, "main: playback started"));
    EXPECT_FALSE(filter.ShouldPrint(kWarning, "alsa: cannot open device"));
    EXPECT_TRUE(filter.ShouldPrint(kError, "main: no suitable audio output"));
}

TEST(VlcLogFilter, ARepeatedErrorIsPrintedOnce) {
    CVlcLogFilter filter;
    int printed = 0;
    for (int i = 0; i < 85000; ++i) {
        printed += filter.ShouldPrint(kError, "audio output: module not functional") ? 1 : 0;
    }
    EXPECT_EQ(printed, 1);
    EXPECT_TRUE(filter.ShouldPrint(kError, "decoder: cannot decode"));
}

TEST(VlcLogFilter, MemoryStaysBounded) {
    CVlcLogFilter filter;
    for (size_t i = 0; i < 3 * CVlcLogFilter::kMaxRemembered; ++i) {
        EXPECT_TRUE(filter.ShouldPrint(kError, "error " + std::to_string(i)));
    }
}

TEST(VlcLogFilter, ThreadsShareOneMemory) {
    CVlcLogFilter filter;
    std::vector<std::thread> threads;
    std::vector<int> printed(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) {
                printed[t] += filter.ShouldPrint(kError, "the same error") ? 1 : 0;
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    EXPECT_EQ(printed[0] + printed[1] + printed[2] + printed[3], 1);
}

}  // namespace
