#include "RobotSDK/util/globalutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

struct TextCase {
    std::string input;
    std::string trimmed;
    std::string folded;
};

TEST(CommonUtilText, TrimAndRemoveSurplusSpaces) {
    const std::vector<TextCase> cases = {
        {"  ab c  ", "ab c", "ab c"},
        {"  one    two  three ", "one    two  three", "one two three"},
        {"", "", ""},
        {"    ", "", ""},
        // Only blanks are trimmed; tabs and line ends stay.
        {"\t x \n", "\t x \n", "\t x \n"},
        {"a", "a", "a"},
        // Folding stops at the first NUL.
        {std::string("a  b\0  c", 8), std::string("a  b\0  c", 8), "a b"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(commonUtil::trim(c.input), c.trimmed) << '[' << c.input << ']';
        EXPECT_EQ(commonUtil::removeSurplusSpaces(c.input), c.folded) << '[' << c.input << ']';
    }
}

TEST(CommonUtilDelay, BlocksAtLeastTheRequestedTime) {
    const auto start = std::chrono::steady_clock::now();
    commonUtil::delay(0, 30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(CommonUtilFilter, CoefficientsFollowTheSinglePrecisionSteps) {
    // Reference values for the track smoothing parameters, computed outside
    // this code base from W = 6.283 * F0 / Fs with every step rounded to float.
    double coe[5] = {};
    commonUtil::iir_low_filter_Init(12, 200, 0.668, coe);
    EXPECT_DOUBLE_EQ(coe[0], 0.027598127722740173);
    EXPECT_DOUBLE_EQ(coe[1], 0.05519625544548035);
    EXPECT_DOUBLE_EQ(coe[2], 0.027598127722740173);
    EXPECT_DOUBLE_EQ(coe[3], -1.498381495475769);
    EXPECT_DOUBLE_EQ(coe[4], 0.6087739524944893);
}

TEST(CommonUtilFilter, StepResponseSettlesAtUnitGain) {
    double coe[5] = {};
    commonUtil::iir_low_filter_Init(12, 200, 0.668, coe);
    std::vector<double> in(400, 1.0);
    in[0] = 0.25;
    in[1] = 0.5;
    std::vector<double> out(in.size(), -99.0);
    EXPECT_EQ(commonUtil::iir_low_filter_run(in.data(), out.data(), coe, 400), 400);
    EXPECT_EQ(out[0], 0.25);  // first two samples pass unfiltered
    EXPECT_EQ(out[1], 0.5);
    EXPECT_NE(out[2], in[2]);
    EXPECT_NEAR(out[399], 1.0, 1e-6);
}

TEST(CommonUtilFilter, ShortInputsCopyOnlyWhatExists) {
    double coe[5] = {};
    commonUtil::iir_low_filter_Init(12, 200, 0.668, coe);
    const double in[2] = {3.0, 4.0};
    double out[3] = {-1.0, -1.0, -1.0};
    EXPECT_EQ(commonUtil::iir_low_filter_run(in, out, coe, 2), 2);
    EXPECT_EQ(out[0], 3.0);
    EXPECT_EQ(out[1], 4.0);
    EXPECT_EQ(out[2], -1.0);

    double one[2] = {-1.0, -1.0};
    EXPECT_EQ(commonUtil::iir_low_filter_run(in, one, coe, 1), 2);
    EXPECT_EQ(one[0], 3.0);
    EXPECT_EQ(one[1], -1.0);  // not written past the one sample
}

}  // namespace
