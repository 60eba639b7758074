#include "RobotSDK/util/globalutil.h"

#include <chrono>
#include <thread>

void commonUtil::delay(int seconds, int mSeconds) {
    const auto total = std::chrono::seconds(seconds) + std::chrono::milliseconds(mSeconds);
    if (total.count() > 0) {
        std::this_thread::sleep_for(total);
    }
}

// By value, as the interface declares it.
std::string commonUtil::trim(std::string str) {  // NOLINT(performance-unnecessary-value-param)
    const std::string::size_type first = str.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    const std::string::size_type last = str.find_last_not_of(' ');
    return str.substr(first, last - first + 1);
}

std::string commonUtil::removeSurplusSpaces(const std::string& src) {
    const std::string trimmed = trim(src);
    const std::string text = trimmed.substr(0, trimmed.find('\0'));
    std::string result;
    result.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

void commonUtil::iir_low_filter_Init(double F0, double Fs, double Ly, double* Coe) {
    if (Coe == nullptr) {
        return;
    }
    // Each step is rounded to single precision, as the filtered tracks expect:
    // an operation on single-precision operands stays single precision, one
    // that involves Ly is done in double. So Coe[0] and Coe[3] are float
    // quotients, and Coe[4] takes w2 + 4 as a float before Ly joins in.
    const float w = static_cast<float>(6.283 * F0 / Fs);
    const float w2 = w * w;
    const float a = static_cast<float>(4.0 * Ly * w + 4.0 + w2);
    Coe[0] = w2 / a;
    Coe[1] = 2.0 * Coe[0];
    Coe[2] = Coe[0];
    Coe[3] = (2.0F * w2 - 8.0F) / a;
    const float w2Plus4 = w2 + 4.0F;
    Coe[4] = (w2Plus4 - 4.0 * Ly * w) / a;
}

int commonUtil::iir_low_filter_run(const double* dat_in, double* dat_o, const double* coe,
                                   int num) {
    if (dat_in == nullptr || dat_o == nullptr || coe == nullptr) {
        return 2;
    }
    // The first two samples pass unfiltered; never read or write past num.
    for (int i = 0; i < num && i < 2; ++i) {
        dat_o[i] = dat_in[i];
    }
    int i = 2;
    for (; i < num; ++i) {
        dat_o[i] = coe[0] * dat_in[i] + coe[1] * dat_in[i - 1] + coe[2] * dat_in[i - 2] -
                   coe[3] * dat_o[i - 1] - coe[4] * dat_o[i - 2];
    }
    return i;
}
