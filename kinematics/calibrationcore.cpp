#include "kinematics/calibrationcore.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Taught points closer than this (metres) count as coincident, and directions
// whose angle has a sine below kMinPlaneSine as parallel.
constexpr double kMinPointDistance = 1e-6;
constexpr double kMinPlaneSine = 1e-6;
// Orientation points closer than 1 cm (squared distance in m^2).
constexpr double kMinOriDistanceSquared = 0.0001;

Pos sub(const Pos& a, const Pos& b) { return Pos{a.x - b.x, a.y - b.y, a.z - b.z}; }

double dot(const Pos& a, const Pos& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double norm(const Pos& a) { return std::sqrt(dot(a, a)); }

Pos scale(const Pos& a, double f) { return Pos{a.x * f, a.y * f, a.z * f}; }

Pos unit(const Pos& a) { return scale(a, 1.0 / norm(a)); }

Pos neg(const Pos& a) { return Pos{-a.x, -a.y, -a.z}; }

// True when e1 and e2 are long enough and far enough from parallel to span a
// plane. Non-finite input fails too.
bool spansPlane(const Pos& e1, const Pos& e2) {
    const double l1 = norm(e1);
    const double l2 = norm(e2);
    if (!(l1 >= kMinPointDistance) || !(l2 >= kMinPointDistance)) {
        return false;
    }
    Pos n;
    vectorCrossProduct(n, e1, e2, false);
    return norm(n) >= kMinPlaneSine * l1 * l2;
}

void setRow(double* m, int row, const Pos& v) {
    m[3 * row + 0] = v.x;
    m[3 * row + 1] = v.y;
    m[3 * row + 2] = v.z;
}

void setColumn(double* m, int column, const Pos& v) {
    m[column] = v.x;
    m[3 + column] = v.y;
    m[6 + column] = v.z;
}

double det3(const double* m) {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

// Tool point of a flange pose (rotation R, position p) for the tool offset t.
Pos toolPoint(const double* R, const double* p, const double* t) {
    return Pos{R[0] * t[0] + R[1] * t[1] + R[2] * t[2] + p[0],
               R[3] * t[0] + R[4] * t[1] + R[5] * t[2] + p[1],
               R[6] * t[0] + R[7] * t[1] + R[8] * t[2] + p[2]};
}

}  // namespace

void vectorCrossProduct(Pos& out, const Pos& a, const Pos& b, bool normalize) {
    Pos c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    if (normalize) {
        c = unit(c);
    }
    out = c;
}

bool matrixMultiplication(double* out, const double* A, const double* B, unsigned rows,
                          unsigned inner, unsigned cols, bool clearFirst, bool plainA) {
    if (out == nullptr || A == nullptr || B == nullptr) {
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(rows) * cols;
    std::unique_ptr<double[]> tmp(new (std::nothrow) double[size == 0 ? 1 : size]);
    if (!tmp) {
        return false;
    }
    for (unsigned i = 0; i < rows; ++i) {
        for (unsigned j = 0; j < cols; ++j) {
            double sum = clearFirst ? 0.0 : out[i * cols + j];
            for (unsigned k = 0; k < inner; ++k) {
                const double a = plainA ? A[i * inner + k] : A[k * rows + i];
                sum += a * B[k * cols + j];
            }
            tmp[i * cols + j] = sum;
        }
    }
    std::memcpy(out, tmp.get(), size * sizeof(double));
    return true;
}

int positiveDefiniteMatrixInverse(double* A, int n) {
    if (A == nullptr || n <= 0) {
        return 0;
    }
    std::unique_ptr<double[]> column(new (std::nothrow) double[n]);
    if (!column) {
        return 0;
    }
    for (int k = 0; k < n; ++k) {
        const double p = A[k * n + k];
        if (std::fabs(p) + 1.0 == 1.0) {
            return 0;
        }
        for (int i = 0; i < n; ++i) {
            column[i] = A[i * n + k];
        }
        // Row k becomes row k / p with the identity column folded in.
        A[k * n + k] = 1.0;
        for (int j = 0; j < n; ++j) {
            A[k * n + j] /= p;
        }
        for (int i = 0; i < n; ++i) {
            if (i == k) {
                continue;
            }
            const double f = column[i];
            A[i * n + k] = 0.0;
            for (int j = 0; j < n; ++j) {
                A[i * n + j] -= f * A[k * n + j];
            }
        }
    }
    return 1;
}

unsigned char userCoordinateCalibLib(const Pose_S* poses, char method, double* bInWPos,
                                     double* bInWOri, double* wInBPos, double& dotValue) {
    if (poses == nullptr || bInWPos == nullptr || bInWOri == nullptr || wInBPos == nullptr) {
        return 0;
    }
    // Negative method numbers are invalid.
    const int m = static_cast<signed char>(method);  // NOLINT(bugprone-signed-char-misuse)
    if (m < 0 || m > 8) {
        return 0;
    }
    const Pos& p0 = poses[0].posU.position;
    const Pos e1 = sub(poses[1].posU.position, p0);
    const Pos e2 = sub(poses[2].posU.position, p0);
    // Coincident or collinear points define no frame.
    if (!spansPlane(e1, e2)) {
        return 0;
    }
    Pos n;
    vectorCrossProduct(n, e1, e2, true);
    const Pos u1 = unit(e1);

    Pos rows[3];
    if (m <= 2) {
        const Pos u2 = unit(e2);
        dotValue = dot(u2, u1);
        const Pos table[3][3] = {{u1, u2, n}, {n, u1, u2}, {u2, n, u1}};
        for (int r = 0; r < 3; ++r) {
            rows[r] = table[m][r];
        }
    } else {
        Pos mm;
        vectorCrossProduct(mm, n, u1, true);
        const Pos table[6][3] = {{u1, mm, n},      {u1, neg(n), mm}, {n, u1, mm},
                                 {mm, u1, neg(n)}, {mm, n, u1},      {neg(n), mm, u1}};
        for (int r = 0; r < 3; ++r) {
            rows[r] = table[m - 3][r];
        }
    }
    for (int r = 0; r < 3; ++r) {
        setRow(bInWOri, r, rows[r]);
        bInWPos[r] = -dot(rows[r], p0);
    }
    wInBPos[0] = p0.x;
    wInBPos[1] = p0.y;
    wInBPos[2] = p0.z;
    return 1;
}

bool toolCoordinateCalibLib(double* rotations, double* positions, int count, char method,
                            const double* oriRotations, const double* oriPositions, bool check,
                            double checkThr, double* toolInEndPos, double* toolPoseRot) {
    if (count < 4 || rotations == nullptr || positions == nullptr || toolInEndPos == nullptr) {
        return false;
    }
    // Every pose puts the tool point R_k t + p_k at the same place, so
    // (R_k - R_0) t = -(p_k - p_0); solved by least squares.
    double N[9] = {0};
    double b[3] = {0};
    for (std::size_t k = 1; k < static_cast<std::size_t>(count); ++k) {
        double* dR = rotations + 9 * k;
        double* dp = positions + 3 * k;
        for (int i = 0; i < 9; ++i) {
            dR[i] -= rotations[i];
        }
        for (int i = 0; i < 3; ++i) {
            dp[i] = -(dp[i] - positions[i]);
        }
        if (!matrixMultiplication(N, dR, dR, 3, 3, 3, false, false) ||
            !matrixMultiplication(b, dR, dp, 3, 3, 1, false, false)) {
            return false;
        }
    }
    if (check && !(det3(N) > checkThr)) {
        return false;
    }
    if (positiveDefiniteMatrixInverse(N, 3) == 0) {
        return false;
    }
    double t[3];
    if (!matrixMultiplication(t, N, b, 3, 3, 1, true, true)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        toolInEndPos[i] = t[i];
    }

    const unsigned oriMethod = static_cast<unsigned char>(method);
    if (oriMethod > 5) {
        return true;
    }
    if (oriRotations == nullptr || toolPoseRot == nullptr ||
        (oriMethod <= 2 && oriPositions == nullptr)) {
        return false;
    }
    Pos e1;
    Pos e2;
    if (oriMethod <= 2) {
        const Pos p0 = toolPoint(oriRotations, oriPositions, t);
        const Pos p1 = toolPoint(oriRotations + 9, oriPositions + 3, t);
        const Pos p2 = toolPoint(oriRotations + 18, oriPositions + 6, t);
        e1 = sub(p1, p0);
        e2 = sub(p2, p0);
        if (dot(e1, e1) < kMinOriDistanceSquared || dot(e2, e2) < kMinOriDistanceSquared) {
            return false;
        }
    } else {
        // In each pose the named tool axis pointed straight down: the base's
        // downward axis in flange coordinates is minus the rotation's third row.
        e1 = Pos{-oriRotations[6], -oriRotations[7], -oriRotations[8]};
        e2 = Pos{-oriRotations[15], -oriRotations[16], -oriRotations[17]};
    }
    // Parallel directions leave the third axis undefined.
    if (!spansPlane(e1, e2)) {
        return false;
    }
    e1 = unit(e1);
    e2 = unit(e2);
    Pos z;
    vectorCrossProduct(z, e1, e2, true);
    Pos y;
    vectorCrossProduct(y, z, e1, true);
    double rot[9];
    setColumn(rot, static_cast<int>(oriMethod % 3), e1);
    setColumn(rot, static_cast<int>((oriMethod + 1) % 3), y);
    setColumn(rot, static_cast<int>((oriMethod + 2) % 3), z);
    if (oriMethod <= 2) {
        // Base directions to flange directions of the first orientation pose.
        if (!matrixMultiplication(rot, oriRotations, rot, 3, 3, 3, true, false)) {
            return false;
        }
    }
    std::memcpy(toolPoseRot, rot, sizeof(rot));
    return true;
}
