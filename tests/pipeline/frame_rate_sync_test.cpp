// The frame-rate sync alone: which pictures of given times go out, how often, at which slots.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pipeline/frame_rate_sync.h"

using namespace mirelk;

namespace {

struct SyncCase {
    const char* name;
    int method;
    bool variableRateFormat;
    AVRational timeBase;
    std::int64_t outputStart;
    std::vector<std::int64_t> times;  // microseconds of run time
    std::vector<int> copies;          // per picture
    std::vector<std::int64_t> slots;  // the output times (time-base units) of every copy sent
    int duplicated;
    int dropped;
};

constexpr AVRational k25{1, 25};  // 40 ms a picture

}  // namespace

TEST(FrameRateSync, DropsRepeatsAndRetimesPicturesAsTheMethodAsks)
{
    const std::vector<SyncCase> cases = {
        {"constant rate, pictures on time", -1, false, k25, 0, {0, 40000, 80000}, {1, 1, 1}, {0, 1, 2}, 0, 0},
        {"constant rate, a gap of two pictures repeats the one after it", -1, false, k25, 0, {0, 40000, 160000},
         {1, 1, 2}, {0, 1, 2, 3}, 1, 0},
        {"constant rate, pictures that fall behind are dropped", 1, false, k25, 0, {0, 0, 0, 0}, {1, 1, 0, 0},
         {0, 1}, 0, 2},
        {"variable rate moves on to the picture's time", 2, false, k25, 0, {0, 160000, 200000}, {1, 1, 1},
         {0, 4, 5}, 0, 0},
        {"automatic on a format of any times is variable rate", -1, true, k25, 0, {0, 160000, 160000},
         {1, 1, 0}, {0, 4}, 0, 1},
        {"passed through, but never back", 0, false, k25, 0, {0, 160000, 80000}, {1, 1, 1}, {0, 4, 5}, 0, 0},
        {"automatic on a fine clock passes through", -1, false, AVRational{1, 10000}, 0, {0, 0, 5000},
         {1, 1, 1}, {0, 1, 50}, 0, 0},
        {"times count from the output's start", 1, false, k25, 1000000, {1000000, 1120000}, {1, 2},
         {0, 1, 2}, 1, 0},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> told;
        TFrameRateSync::TSettings settings;
        settings.timeBase = c.timeBase;
        settings.method = c.method;
        settings.variableRateFormat = c.variableRateFormat;
        settings.outputStart = c.outputStart;
        settings.verbose = true;
        TFrameRateSync sync(settings, [&told](int, const std::string& text) { told.push_back(text); });
        std::vector<int> copies;
        std::vector<std::int64_t> slots;
        for (const std::int64_t time : c.times) {
            copies.push_back(sync.CopiesFor(time));
            for (int copy = 0; copy < copies.back(); ++copy) {
                slots.push_back(sync.Position());
                sync.Advance();
            }
        }
        EXPECT_EQ(copies, c.copies);
        EXPECT_EQ(slots, c.slots);
        EXPECT_EQ(sync.Duplicated(), c.duplicated);
        EXPECT_EQ(sync.Dropped(), c.dropped);
        // Every drop and every repeat is told, once.
        EXPECT_EQ(told.size(), static_cast<std::size_t>(c.dropped + (c.duplicated > 0 ? 1 : 0)));
    }
}
