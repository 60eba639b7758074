// The codec keeps no state: threads encoding and decoding at the same time
// each get exactly their own results.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "codec/codec_test_support.h"

using namespace codec_test;

TEST(CodecConcurrency, ThreadsEncodeAndDecodeIndependently) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            RobotMoveProfile profile = filled<RobotMoveProfile>();
            profile.moveMode = MODEJ;
            for (int round = 0; round < kRounds; ++round) {
                const trn::wayPoint_S source = makeWayPoint(t * 1000 + round);
                char* data = nullptr;
                int size = 0;
                if (!ProtoEncodeDecode::getRequest_robotMove(&data, &size, profile,
                                                             {source, source})) {
                    ++mismatches;
                    continue;
                }
                common::RobotMove move;
                const bool parsed = move.ParseFromArray(data, size);
                delete[] data;
                trn::wayPoint_S back = filled<trn::wayPoint_S>();
                if (!parsed || move.roadpointvector_size() != 2 ||
                    !ProtoEncodeDecode::roadPointTypeConversion(move.roadpointvector(1), back) ||
                    !sameBytes(source, back)) {
                    ++mismatches;
                }

                const trn::RobotEventInfo event{trn::RobotEvent_User, t * kRounds + round,
                                                std::to_string(round)};
                char buffer[64];
                int length = sizeof buffer;
                trn::RobotEventInfo decoded{};
                if (!ProtoEncodeDecode::getResponse_Event(buffer, &length, event) ||
                    !ProtoEncodeDecode::resolveResponse_robotEvent(buffer, length, decoded) ||
                    decoded.eventCode != event.eventCode ||
                    decoded.eventContent != event.eventContent) {
                    ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
