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

struct FilterCase {
    double F0, Fs, Ly;
    double coe[5];
};

TEST(CommonUtilFilter, CoefficientsFollowTheSinglePrecisionSteps) {
    // Reference values computed outside this code base from W = 6.283 * F0 / Fs
    // with W, W2, A and every operation on them alone (W2 / A, 2 * W2 - 8,
    // W2 + 4) in single precision, and the terms with Ly in double. The last
    // coefficient differs in about the eighth digit when W2 + 4 is summed in
    // double; the first case is the one the track smoothing uses.
    const std::vector<FilterCase> cases = {
        {12,
         200,
         0.668,
         {0.027598127722740173, 0.055196255445480347, 0.027598127722740173, -1.498381495475769,
          0.60877390619426608}},
        {5,
         1000,
         0.707,
         {0.00024130652309395373, 0.00048261304618790746, 0.00024130652309395373,
          -1.9555896520614624, 0.95655488726408977}},
        {40,
         250,
         0.3,
         {0.16255433857440948, 0.32510867714881897, 0.16255433857440948, -0.96170139312744141,
          0.61191866685831409}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.F0);
        double coe[5] = {};
        commonUtil::iir_low_filter_Init(c.F0, c.Fs, c.Ly, coe);
        for (int i = 0; i < 5; ++i) {
            EXPECT_DOUBLE_EQ(coe[i], c.coe[i]) << "coefficient " << i;
        }
    }
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
