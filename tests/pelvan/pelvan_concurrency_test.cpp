// Progress numbers: the receive thread translates while the playback thread
// refills the index map between pieces.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "RobotSDK/custom-made/pelvanservices.h"

TEST(PelvanProgress, TranslatesThroughTheIndexMap) {
    PelvanServices::clearWaypointIndexMap();
    for (int k = 1; k <= 4; ++k) PelvanServices::mapWaypointIndex(k, 100 + k);
    struct Case {
        int num;
        int reported;
    } cases[] = {
        {-1, 101},                      // step numbers are looked up two higher
        {0, 102},  {2, 104}, {3, 104},  // no entry: the previous index again
        {-3, 104}, {1, 103},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PelvanServices::translateMovepProgress(c.num), c.reported) << c.num;
    }
    PelvanServices::clearWaypointIndexMap();
    EXPECT_EQ(PelvanServices::translateMovepProgress(0), 103);  // kept across a new piece
}

TEST(PelvanProgress, TranslationRunsWhilePiecesAreMapped) {
    // Each piece p maps numbers 1..50 to 1000 * p + number; every translated
    // value must come from a consistent entry.
    constexpr int kPieces = 200;
    PelvanServices::clearWaypointIndexMap();
    for (int k = 1; k <= 50; ++k) PelvanServices::mapWaypointIndex(k, k);
    ASSERT_EQ(PelvanServices::translateMovepProgress(-1), 1);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread receiver([&] {
        int num = 0;
        while (!done.load()) {
            const int index = PelvanServices::translateMovepProgress(num % 60 - 1);
            if (index % 1000 < 1 || index % 1000 > 50) ++bad;
            ++num;
        }
    });
    for (int p = 1; p <= kPieces; ++p) {
        PelvanServices::clearWaypointIndexMap();
        for (int k = 1; k <= 50; ++k) PelvanServices::mapWaypointIndex(k, 1000 * p + k);
    }
    done = true;
    receiver.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(PelvanServices::translateMovepProgress(0), 1000 * kPieces + 2);
}
