#ifndef GLOBALUTIL_H
#define GLOBALUTIL_H

#include <string>

// Small stateless helpers: a sleep, two string cleaners and a second-order
// low-pass filter. Every member is static and safe to call from any thread.
class commonUtil {
public:
    // Blocks the calling thread for seconds plus mSeconds milliseconds.
    static void delay(int seconds, int mSeconds);

    // Removes leading and trailing blanks (0x20 only; tabs and line ends stay).
    static std::string trim(std::string str);

    // Trims, keeps the text up to its first NUL and folds every run of blanks
    // into one blank.
    static std::string removeSurplusSpaces(const std::string& src);

    // Five coefficients of a second-order low-pass filter (cut-off F0, sampling
    // frequency Fs, damping ratio Ly; bilinear transform without pre-warping).
    // The intermediate steps are single precision on purpose: stored track
    // filtering depends on these exact coefficients.
    static void iir_low_filter_Init(double F0, double Fs, double Ly, double* Coe);

    // Filters num samples of dat_in into dat_o; the first two samples pass
    // unchanged. Returns num when num is at least 2, else 2. Writes nothing
    // and returns 2 for null pointers; with num below 2 only the existing
    // samples are copied.
    static int iir_low_filter_run(const double* dat_in, double* dat_o, const double* coe, int num);
};

#endif  // GLOBALUTIL_H
