// Batch kinematics of the handle interface, without a controller: each batch
// point equals the single call bit for bit (random joints and poses, chained
// or not), a failed point is NaN with its own code while the others are
// computed, and a refused call writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "handle/rsrobotcontrol.h"
#include "handletestsupport.h"

using namespace tevo_robot_namespace;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kPoints = 2000;
// An output value no computation writes: shows what a call left untouched.
constexpr double kUntouched = -12345.0;
constexpr int kUntouchedCode = -7;

bool sameBits(const double* a, const double* b, int count) {
    return std::memcmp(a, b, sizeof(double) * static_cast<size_t>(count)) == 0;
}

bool allNaN(const double* values, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isnan(values[i])) return false;
    return true;
}

class HandleKinematics : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(rs_create_context(&rshd_), 0); }
    void TearDown() override { rs_uninitialize(); }

    // n random joint vectors, beyond a full turn on every joint.
    std::vector<double> randomJoints(int n) {
        std::uniform_real_distribution<double> angle(-1.2 * kPi, 1.2 * kPi);
        std::vector<double> joints(static_cast<size_t>(n) * 6);
        for (double& q : joints) q = angle(random_);
        return joints;
    }

    // The flange pose row (x y z w x y z) of one joint vector by the single call.
    std::vector<double> poseOf(const double* joints) {
        wayPoint_S point{};
        EXPECT_EQ(rs_forward_kin(rshd_, joints, &point), 0);
        const Pos& p = point.cartPos.position;
        const Ori& o = point.orientation;
        return {p.x, p.y, p.z, o.w, o.x, o.y, o.z};
    }

    // The single call's answer for one pose row: its code and joints.
    int singleIk(const double* reference, const double* pose, double* joints) {
        const Pos position{pose[0], pose[1], pose[2]};
        const Ori orientation{pose[3], pose[4], pose[5], pose[6]};
        wayPoint_S point{};
        const int code = rs_inverse_kin(rshd_, reference, &position, &orientation, &point);
        std::memcpy(joints, point.jointpos, sizeof(point.jointpos));
        return code;
    }

    RSHD rshd_ = 0;
    std::mt19937 random_{20290311};
};

TEST_F(HandleKinematics, ForwardBatchEqualsTheSingleCallBitForBit) {
    const std::vector<double> joints = randomJoints(static_cast<int>(kPoints));
    std::vector<double> poses(kPoints * 7, kUntouched);
    std::vector<int> codes(kPoints, kUntouchedCode);
    ASSERT_EQ(rs_forward_kin_many(rshd_, joints.data(), static_cast<int>(kPoints), poses.data(),
                                  codes.data()),
              0);
    for (size_t i = 0; i < kPoints; ++i) {
        const std::vector<double> single = poseOf(&joints[i * 6]);
        ASSERT_TRUE(sameBits(&poses[i * 7], single.data(), 7)) << "point " << i;
        ASSERT_EQ(codes[i], 0) << "point " << i;
    }
}

// Reachable poses (forward kinematics of random joints, every fifth quaternion
// scaled, which both calls normalise) with every seventh moved out of reach:
// the batch must match single calls replayed with the same references.
class HandleKinematicsIk : public HandleKinematics, public ::testing::WithParamInterface<int> {};

TEST_P(HandleKinematicsIk, InverseBatchEqualsTheSingleCallBitForBit) {
    const int chain = GetParam();
    const std::vector<double> source = randomJoints(static_cast<int>(kPoints));
    std::vector<double> poses;
    for (size_t i = 0; i < kPoints; ++i) {
        std::vector<double> pose = poseOf(&source[i * 6]);
        if (i % 5 == 0)
            for (int k = 3; k < 7; ++k) pose[k] *= 1.5;
        if (i % 7 == 3) pose[0] += 5.0;
        poses.insert(poses.end(), pose.begin(), pose.end());
    }
    const std::vector<double> start = randomJoints(1);

    std::vector<double> joints(kPoints * 6, kUntouched);
    std::vector<int> codes(kPoints, kUntouchedCode);
    const int result =
        rs_inverse_kin_many(rshd_, start.data(), poses.data(), static_cast<int>(kPoints),
                            joints.data(), codes.data(), chain);
    EXPECT_EQ(result, ErrCode_IkFailed);  // point 3 is the first out of reach

    double reference[6];
    std::memcpy(reference, start.data(), sizeof(reference));
    int failures = 0;
    for (size_t i = 0; i < kPoints; ++i) {
        double expected[6];
        const int code = singleIk(reference, &poses[i * 7], expected);
        ASSERT_EQ(codes[i], code) << "point " << i;
        if (code == 0) {
            ASSERT_TRUE(sameBits(&joints[i * 6], expected, 6)) << "point " << i;
            if (chain != 0) std::memcpy(reference, expected, sizeof(reference));
        } else {
            ++failures;
            ASSERT_TRUE(allNaN(&joints[i * 6], 6)) << "point " << i;
        }
    }
    EXPECT_GE(failures, static_cast<int>(kPoints / 7));
}

INSTANTIATE_TEST_SUITE_P(Chain, HandleKinematicsIk, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param != 0 ? std::string("Chained")
                                                    : std::string("FixedReference");
                         });

TEST_F(HandleKinematics, AFailedPointIsNaNWithItsCodeAndTheOthersAreComputed) {
    const std::vector<double> good = randomJoints(2);
    const std::vector<double> goodPose0 = poseOf(&good[0]);
    const std::vector<double> goodPose1 = poseOf(&good[6]);
    const double reference[6] = {0.1, -0.2, 1.6, 0.4, 1.5, 0.2};

    struct IkCase {
        const char* name;
        std::vector<double> pose;
        int code;
    };
    const std::vector<IkCase> ikCases = {
        {"out of reach", {5.0, 0.0, 0.3, 1.0, 0.0, 0.0, 0.0}, ErrCode_IkFailed},
        {"NaN position", {0.3, kNaN, 0.3, 1.0, 0.0, 0.0, 0.0}, ErrCode_ParamError},
        {"infinite quaternion", {0.3, 0.1, 0.3, 1.0, kInf, 0.0, 0.0}, ErrCode_ParamError},
        {"zero quaternion", {0.3, 0.1, 0.3, 0.0, 0.0, 0.0, 0.0}, ErrCode_ParamError},
    };
    for (const IkCase& c : ikCases) {
        std::vector<double> poses = goodPose0;
        poses.insert(poses.end(), c.pose.begin(), c.pose.end());
        poses.insert(poses.end(), goodPose1.begin(), goodPose1.end());
        for (const bool withCodes : {true, false}) {
            std::vector<double> joints(18, kUntouched);
            int codes[3] = {kUntouchedCode, kUntouchedCode, kUntouchedCode};
            EXPECT_EQ(rs_inverse_kin_many(rshd_, reference, poses.data(), 3, joints.data(),
                                          withCodes ? codes : nullptr, 1),
                      c.code)
                << c.name;
            if (withCodes) {
                EXPECT_EQ(codes[0], 0) << c.name;
                EXPECT_EQ(codes[1], c.code) << c.name;
                EXPECT_EQ(codes[2], 0) << c.name;
            }
            EXPECT_TRUE(allNaN(&joints[6], 6)) << c.name;
            // The chain goes on from point 0's solution, past the failed point.
            double expected[6];
            ASSERT_EQ(singleIk(reference, &poses[0], expected), 0);
            EXPECT_TRUE(sameBits(&joints[0], expected, 6)) << c.name;
            ASSERT_EQ(singleIk(&joints[0], &poses[14], expected), 0);
            EXPECT_TRUE(sameBits(&joints[12], expected, 6)) << c.name;
        }
    }

    std::vector<double> joints = good;
    joints.insert(joints.begin() + 6, {0.1, 0.2, kInf, 0.0, 0.0, 0.0});
    std::vector<double> poses(21, kUntouched);
    int codes[3] = {kUntouchedCode, kUntouchedCode, kUntouchedCode};
    EXPECT_EQ(rs_forward_kin_many(rshd_, joints.data(), 3, poses.data(), codes),
              ErrCode_ParamError);
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], ErrCode_ParamError);
    EXPECT_EQ(codes[2], 0);
    EXPECT_TRUE(sameBits(&poses[0], goodPose0.data(), 7));
    EXPECT_TRUE(allNaN(&poses[7], 7));
    EXPECT_TRUE(sameBits(&poses[14], goodPose1.data(), 7));
}

TEST_F(HandleKinematics, ARefusedCallWritesNothing) {
    const double joints[6] = {0.1, -0.2, 1.6, 0.4, 1.5, 0.2};
    const std::vector<double> pose = poseOf(joints);
    double out[7];
    int code = kUntouchedCode;
    const auto fk = [&](RSHD h, const double* in, int n, double* o) {
        return rs_forward_kin_many(h, in, n, o, &code);
    };
    const auto ik = [&](RSHD h, const double* ref, const double* in, int n, double* o) {
        return rs_inverse_kin_many(h, ref, in, n, o, &code, 0);
    };
    const RSHD unknown = static_cast<RSHD>(rshd_ + 100);
    const int tooMany = RS_KIN_MANY_MAX_POINTS + 1;
    struct Case {
        const char* name;
        std::function<int()> call;
        int result;
    };
    const std::vector<Case> cases = {
        {"fk unknown handle", [&] { return fk(unknown, joints, 1, out); }, RS_ERR_NO_CONTEXT},
        {"fk n -1", [&] { return fk(rshd_, joints, -1, out); }, RS_ERR_OUT_OF_RANGE},
        {"fk n above the maximum", [&] { return fk(rshd_, joints, tooMany, out); },
         RS_ERR_OUT_OF_RANGE},
        {"fk null joints", [&] { return fk(rshd_, nullptr, 1, out); }, ErrCode_ParamError},
        {"fk null poses", [&] { return fk(rshd_, joints, 1, nullptr); }, ErrCode_ParamError},
        {"ik unknown handle", [&] { return ik(unknown, joints, pose.data(), 1, out); },
         RS_ERR_NO_CONTEXT},
        {"ik n -1", [&] { return ik(rshd_, joints, pose.data(), -1, out); }, RS_ERR_OUT_OF_RANGE},
        {"ik n above the maximum", [&] { return ik(rshd_, joints, pose.data(), tooMany, out); },
         RS_ERR_OUT_OF_RANGE},
        {"ik null reference", [&] { return ik(rshd_, nullptr, pose.data(), 1, out); },
         ErrCode_ParamError},
        {"ik null poses", [&] { return ik(rshd_, joints, nullptr, 1, out); }, ErrCode_ParamError},
        {"ik null joints", [&] { return ik(rshd_, joints, pose.data(), 1, nullptr); },
         ErrCode_ParamError},
    };
    for (const Case& c : cases) {
        std::fill(std::begin(out), std::end(out), kUntouched);
        code = kUntouchedCode;
        EXPECT_EQ(c.call(), c.result) << c.name;
        EXPECT_EQ(code, kUntouchedCode) << c.name;
        for (const double v : out) EXPECT_EQ(v, kUntouched) << c.name;
    }

    // No points: nothing to read or write, so no array is needed.
    EXPECT_EQ(rs_forward_kin_many(rshd_, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(rs_inverse_kin_many(rshd_, nullptr, nullptr, 0, nullptr, nullptr, 1), 0);
}

}  // namespace
