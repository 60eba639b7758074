#include "kinematics/kinematicscore.h"

#include <atomic>
#include <cmath>
#include <mutex>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2.0;
constexpr double kTwoPi = 2.0 * kPi;

// Below this normalised cosine an angle is taken as exactly +-pi/2.
constexpr double kCosZero = 1.75e-05;
constexpr double kCosZeroSquared = kCosZero * kCosZero;

// Tolerances of the inverse kinematics, in the units of the quantity tested.
constexpr double kOffsetCylinderTolerance = 0.0125;    // metres inside D2
constexpr double kSingleShoulderRatio = 0.9999999998;  // D2 / rho
constexpr double kWristCosReject = 1.0001;
constexpr double kWristCosSingular = 0.99999994;
constexpr double kFirstPassElbowTolerance = 1.0001;
constexpr double kSecondPassElbowTolerance = 1.046;
constexpr double kElbowCosTwoBranches = 0.9999999999995;
constexpr double kSinPi = 1.2246467991473532e-16;
constexpr double kPlanarSquareLimit = 1.0001;
constexpr double kStretchTolerance = 0.0001;

struct DhModel {
    tevo_robot_type type;
    double A3, A4, D1, D2, D4, D5, D6;
};

// The process-wide arm model, written rarely (login, explicit requests) and
// read by every FK and IK call. A sequence lock keeps readers lock-free and
// never lets them see a half-written model: the sequence is odd while a write
// is in progress and readers retry when it changed under them. Writers are
// serialised by a mutex.
class SharedModel {
public:
    explicit SharedModel(const DhModel& initial) { write(initial); }

    DhModel load() const {
        for (;;) {
            const unsigned before = m_sequence.load(std::memory_order_acquire);
            DhModel m;
            m.type = static_cast<tevo_robot_type>(m_type.load(std::memory_order_relaxed));
            m.A3 = m_values[0].load(std::memory_order_relaxed);
            m.A4 = m_values[1].load(std::memory_order_relaxed);
            m.D1 = m_values[2].load(std::memory_order_relaxed);
            m.D2 = m_values[3].load(std::memory_order_relaxed);
            m.D4 = m_values[4].load(std::memory_order_relaxed);
            m.D5 = m_values[5].load(std::memory_order_relaxed);
            m.D6 = m_values[6].load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if ((before & 1u) == 0 && m_sequence.load(std::memory_order_relaxed) == before) {
                return m;
            }
        }
    }

    void store(const DhModel& m) {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        write(m);
    }

    // Read-modify-write under the writers' mutex.
    template <typename Change>
    void update(Change change) {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        DhModel m = load();
        change(m);
        write(m);
    }

private:
    void write(const DhModel& m) {
        const unsigned s = m_sequence.load(std::memory_order_relaxed);
        m_sequence.store(s + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        m_type.store(static_cast<int>(m.type), std::memory_order_relaxed);
        const double values[7] = {m.A3, m.A4, m.D1, m.D2, m.D4, m.D5, m.D6};
        for (int i = 0; i < 7; ++i) {
            m_values[i].store(values[i], std::memory_order_relaxed);
        }
        m_sequence.store(s + 2, std::memory_order_release);
    }

    std::atomic<unsigned> m_sequence{0};
    std::atomic<int> m_type{0};
    std::atomic<double> m_values[7];
    std::mutex m_writeMutex;
};

// Starts as model 0.
SharedModel g_model(DhModel{tevo_model_0, 0.408, 0.376, 0.0985, 0.1215, -0.019, 0.1025, 0.094});

// antiSinCos without the explicit normalisation: the threshold test on the
// normalised cosine is done on squares and atan2 replaces the quadrant fix-up.
// Gives the same angle (to rounding) for every input, including s = -0, c < 0
// (+pi) and s = c = 0 (a non-number).
inline double angleOf(double s, double c) {
    const double ss = s * s;
    const double cc = c * c;
    if (cc < kCosZeroSquared * (ss + cc)) {
        return s > 0.0 ? kHalfPi : -kHalfPi;
    }
    if (!(ss + cc > 0.0)) {
        return std::nan("");
    }
    const double a = std::atan2(s, c);
    return a == -kPi ? kPi : a;
}

// +1 when the condition holds, else 0; lets a data-dependent choice of a
// constant be made without a branch that random poses would mispredict.
inline double oneIf(bool condition) { return static_cast<double>(static_cast<int>(condition)); }

// Brings t into (-pi, pi]: the one turn that angle sums usually need is taken
// without a branch, any further one by the loops.
inline double wrapAngle(double t) {
    t -= kTwoPi * (oneIf(t > kPi) - oneIf(t <= -kPi));
    while (t > kPi) {
        t -= kTwoPi;
    }
    while (t <= -kPi) {
        t += kTwoPi;
    }
    return t;
}

// One inverse-kinematics call: the working pose, the model and the output table.
struct IkContext {
    DhModel dh;
    double r11, r12, r13, r21, r22, r23, r31, r32, r33;
    double px, py, pz;
    const double* qref;
    double (*sol)[KINEMATICS_MAX_SOLUTIONS];
    int n;
    // Elbow cosine c3 = (X^2 + Z^2 - elbowOffset) * elbowScale.
    double elbowOffset;
    double elbowScale;

    void append(double t1, double t2, double t3, double t4, double t5, double t6) {
        sol[0][n] = t1;
        sol[1][n] = t2;
        sol[2][n] = t3;
        sol[3][n] = t4;
        sol[4][n] = t5;
        sol[5][n] = t6;
        ++n;
    }
};

// The angle of the opposite direction: t + pi brought into (-pi, pi].
inline double opposite(double t) { return t - kPi * (2.0 * oneIf(t > 0.0) - 1.0); }

// Joints 2 to 4 of one regular wrist value: th234 is the sum th2 - th3 + th4
// and (t1, t2) its sine and cosine; appends up to two elbow solutions.
void solveArm(IkContext& ctx, double th1, double c1, double s1, double th5, double th6,
              double th234, double t1, double t2, double tau) {
    const DhModel& dh = ctx.dh;
    const double X =
        (ctx.py * s1 - ctx.px * c1) + dh.D6 * (ctx.r13 * c1 - ctx.r23 * s1) - dh.D5 * t1;
    const double Z = (ctx.pz - dh.D1 - dh.D6 * ctx.r33) - dh.D5 * t2;
    const double c3 = (X * X + Z * Z - ctx.elbowOffset) * ctx.elbowScale;
    if (!(std::fabs(c3) <= tau)) {
        return;
    }

    double th3[2];
    double sn3[2];
    int count;
    if (std::fabs(c3) <= kElbowCosTwoBranches) {
        th3[0] = std::acos(c3);
        sn3[0] = std::sqrt((1.0 - c3) * (1.0 + c3));
        th3[1] = -th3[0];
        sn3[1] = -sn3[0];
        count = 2;
    } else if (c3 > 0.0) {
        th3[0] = 0.0;
        sn3[0] = 0.0;
        count = 1;
    } else {
        th3[0] = kPi;
        sn3[0] = kSinPi;
        count = 1;
    }

    const double g = dh.A3 + dh.A4 * c3;
    // The elbow branches differ in the sign of m only: one denominator for both.
    const double m0 = dh.A4 * sn3[0];
    const double inv = 1.0 / (m0 * m0 + g * g);
    for (int e = 0; e < count; ++e) {
        const double m = dh.A4 * sn3[e];
        const double C = (Z * g - m * X) * inv;
        const double S = (m * Z + g * X) * inv;
        if (S * S + C * C > kPlanarSquareLimit) {
            continue;
        }
        const double th2 = angleOf(S, C);
        const double th4 = wrapAngle(th234 - th2 + th3[e]);
        ctx.append(th1, th2, th3[e], th4, th5, th6);
    }
}

// Both wrist values of a regular joint 1 candidate, +acos before -acos. The
// second value negates sin(theta5), which turns the direction of (a, b) and of
// (t1, t2) around: joints 6 and 2+3+4 move by pi, so their angles are reused.
void solveRegularCandidate(IkContext& ctx, double th1, double c1, double s1, double c5,
                           double tau) {
    const double th5 = std::acos(c5);
    const double s5 = std::sqrt((1.0 - c5) * (1.0 + c5));
    // (a, b) / s5 normalised; s5 > 0 here, so the division by s5 drops out.
    const double a = ctx.r11 * s1 + ctx.r21 * c1;
    const double b = ctx.r22 * c1 + ctx.r12 * s1;
    const double invNab = 1.0 / std::sqrt(a * a + b * b);
    const double ah = a * invNab;
    const double bh = b * invNab;
    const double th6 = angleOf(bh, ah);
    const double t1 = s5 * ctx.r33 - c5 * ctx.r31 * ah - c5 * ctx.r32 * bh;
    const double t2 = ah * ctx.r32 - bh * ctx.r31;
    const double th234 = angleOf(t1, t2);
    solveArm(ctx, th1, c1, s1, th5, th6, th234, t1, t2, tau);
    solveArm(ctx, th1, c1, s1, -th5, opposite(th6), opposite(th234), -t1, -t2, tau);
}

// Joint 2 for a given elbow angle th3 such that the end of the forearm lies at
// distance D5 from the wrist point (H, V); of the two placements the one nearer
// the reference qref2 is returned, expressed as qref2 plus a difference in
// (-pi, pi]. When qref2 itself reaches the wrist point the result is qref2.
double placeShoulder(const DhModel& dh, double H, double V, double th3, double qref2) {
    const double g = dh.A3 + dh.A4 * std::cos(th3);
    const double m = dh.A4 * std::sin(th3);
    const double r = std::sqrt(g * g + m * m);
    const double d = std::sqrt(H * H + V * V);
    const double beta = angleOf(H, V);
    const double gamma = std::atan2(-m, g);
    double cd = (r * r + d * d - dh.D5 * dh.D5) / (2.0 * r * d);
    cd = cd > 1.0 ? 1.0 : (cd < -1.0 ? -1.0 : cd);
    const double delta = std::acos(cd);
    const double da = wrapAngle(beta - gamma + delta - qref2);
    const double db = wrapAngle(beta - gamma - delta - qref2);
    return qref2 + (std::fabs(db) < std::fabs(da) ? db : da);
}

// Joint 5 at 0 or pi: joints 4 and 6 turn about one line, so joints 2 and 3 are
// taken from the reference where the target allows it. At most one solution.
void solveSingularWrist(IkContext& ctx, double th1, double c1, double s1, double c5) {
    const DhModel& dh = ctx.dh;
    const double sigma = c5 > 0.0 ? 1.0 : -1.0;
    const double th5 = c5 > 0.0 ? 0.0 : kPi;
    const double psi = angleOf(-ctx.r31, ctx.r32);
    const double H = (ctx.py - dh.D6 * ctx.r23) * s1 + c1 * (dh.D6 * ctx.r13 - ctx.px);
    const double V = ctx.pz - dh.D1 - dh.D6 * ctx.r33;
    const double L = dh.A3 + dh.A4 + dh.D5;
    const double errH = std::fabs(std::fabs(H) - L);
    const double errV = std::fabs(std::fabs(V) - L);

    if (errH < kStretchTolerance || errV < kStretchTolerance) {
        double th2;
        if (errH >= kStretchTolerance) {
            th2 = V > 0.0 ? 0.0 : kPi;
        } else {
            th2 = H > 0.0 ? kHalfPi : -kHalfPi;
        }
        ctx.append(th1, th2, 0.0, 0.0, th5, psi - sigma * th2);
        return;
    }

    const double qref2 = ctx.qref[1];
    const double qref3 = ctx.qref[2];
    const double d = std::sqrt(H * H + V * V);
    const double c =
        (d * d + dh.D5 * dh.D5 - dh.A3 * dh.A3 - dh.A4 * dh.A4) / (2.0 * dh.A3 * dh.A4);
    const double k = d * dh.D5 / (dh.A3 * dh.A4);
    double th3;
    if (std::fabs(c) > 1.0 + k + kStretchTolerance) {
        return;
    }
    if (std::fabs(c) > 1.0 + k - kStretchTolerance) {
        th3 = c > 0.0 ? 0.0 : kPi;
    } else {
        const double lo = c - k;
        const double hi = c + k;
        const double e = std::cos(qref3);
        if (lo <= e && e <= hi) {
            th3 = qref3;
        } else {
            const double bound = e < lo ? lo : hi;
            if (std::fabs(bound) > 1.0) {
                return;
            }
            th3 = std::acos(bound);
            if (std::fabs(qref3 + th3) < std::fabs(th3 - qref3)) {
                th3 = -th3;
            }
        }
    }
    const double th2 = placeShoulder(dh, H, V, th3, qref2);
    const double t = angleOf((H - dh.A3 * std::sin(th2) - dh.A4 * std::sin(th2 - th3)) / dh.D5,
                             (V - dh.A3 * std::cos(th2) - dh.A4 * std::cos(th2 - th3)) / dh.D5);
    ctx.append(th1, th2, th3, t - th2 + th3, th5, psi - sigma * t);
}

}  // namespace

const KinematicsModelDefaults kKinematicsModelDefaults[tevo_robot_type_num] = {
    {0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094, -0.019},
    {0.552, 0.495, 0.1632, 0.178, 0.1025, 0.094, 0.0},
    {0.647, 0.6005, 0.1632, 0.2013, 0.1025, 0.094, 0.0},
    {0.229, 0.2015, 0.1395, 0.11055, 0.08955, 0.09055, 0.0},
    {0.266, 0.2565, 0.157, 0.119, 0.1025, 0.094, 0.0},
    {0.245, 0.215, 0.1215, 0.1215, 0.1025, 0.094, -0.019},
    {0.608, 0.6395, 0.1215, 0.1215, 0.1025, 0.094, -0.019},
    {0.632, 0.6005, 0.1632, 0.2013, 0.1025, 0.094, 0.0},
    {0.48, 0.37, 0.163, 0.191, 0.1175, 0.1035, 0.0},
    {0.753, 0.72, 0.1955, 0.1935, 0.127, 0.1063, 0.0},
};

int getRobotType() { return static_cast<int>(g_model.load().type); }

void setDhParaLen(tevo_robot_type robotType, double A3, double A4, double D1, double D2, double D5,
                  double D6, double D4) {
    g_model.store(DhModel{robotType, A3, A4, D1, D2, D4, D5, D6});
}

void getDhPara(double& A3, double& A4, double& D1, double& D2, double& D5, double& D6, double* D4) {
    const DhModel m = g_model.load();
    A3 = m.A3;
    A4 = m.A4;
    D1 = m.D1;
    D5 = m.D5;
    D6 = m.D6;
    if (D4 != nullptr) {
        *D4 = m.D4;
        D2 = m.D2 - m.D4;
    } else {
        D2 = m.D2;
    }
}

void modifyDhParaLen(const float* a, const float* d) {
    g_model.update([a, d](DhModel& m) {
        m.A3 += a[2];
        m.A4 += a[3];
        m.D1 += d[0];
        m.D2 += d[1] + d[3];
        m.D4 += d[3];
        m.D5 += d[4];
        m.D6 += d[5];
    });
}

double antiSinCos(double s, double c) {
    const double f = std::sqrt(s * s + c * c);
    const double sn = s / f;
    const double cs = c / f;
    if (std::fabs(cs) < kCosZero) {
        return sn > 0.0 ? kHalfPi : -kHalfPi;
    }
    const double a = std::atan(sn / cs);
    if (cs < 0.0) {
        return a > 0.0 ? a - kPi : a + kPi;
    }
    return a;
}

namespace {

// Sines and cosines shared by the full and the position-only FK.
struct ArmTrig {
    explicit ArmTrig(const double* q)
        : c1(std::cos(q[0])),
          s1(std::sin(q[0])),
          c2(std::cos(q[1])),
          s2(std::sin(q[1])),
          c5(std::cos(q[4])),
          s5(std::sin(q[4])),
          c23(std::cos(q[1] - q[2])),
          s23(std::sin(q[1] - q[2])),
          c234(std::cos(q[1] - q[2] + q[3])),
          s234(std::sin(q[1] - q[2] + q[3])) {}
    double c1, s1, c2, s2, c5, s5, c23, s23, c234, s234;
};

// Position from the third rotation column (r13, r23, r33).
void flangePosition(const DhModel& dh, const ArmTrig& t, double r13, double r23, double r33,
                    double* position) {
    const double P = dh.A3 * t.s2 + dh.A4 * t.s23 + dh.D5 * t.s234;
    position[0] = t.c1 * P - t.s1 * dh.D2 + dh.D6 * r13;
    position[1] = -t.s1 * P - t.c1 * dh.D2 + dh.D6 * r23;
    position[2] = dh.D1 + dh.A3 * t.c2 + dh.A4 * t.c23 + dh.D5 * t.c234 + dh.D6 * r33;
}

}  // namespace

void ComputeFkLib(const double* q, double* position, double* rotation) {
    if (position == nullptr || rotation == nullptr) {
        return;
    }
    const ArmTrig t(q);
    const double c6 = std::cos(q[5]), s6 = std::sin(q[5]);
    const double K = t.c1 * t.c234 * t.c5 - t.s1 * t.s5;
    const double M = t.c1 * t.s5 + t.s1 * t.c234 * t.c5;

    rotation[0] = c6 * K - t.c1 * t.s234 * s6;
    rotation[1] = t.c1 * t.s234 * c6 + s6 * K;
    rotation[2] = -t.s1 * t.c5 - t.c1 * t.c234 * t.s5;
    rotation[3] = t.s1 * t.s234 * s6 - c6 * M;
    rotation[4] = -s6 * M - t.s1 * t.s234 * c6;
    rotation[5] = t.s1 * t.c234 * t.s5 - t.c1 * t.c5;
    rotation[6] = -t.c234 * s6 - t.s234 * t.c5 * c6;
    rotation[7] = t.c234 * c6 - t.s234 * t.c5 * s6;
    rotation[8] = t.s234 * t.s5;
    flangePosition(g_model.load(), t, rotation[2], rotation[5], rotation[8], position);
}

void computeFlangePosition(const double* q, double* position) {
    const ArmTrig t(q);
    flangePosition(g_model.load(), t, -t.s1 * t.c5 - t.c1 * t.c234 * t.s5,
                   t.s1 * t.c234 * t.s5 - t.c1 * t.c5, t.s234 * t.s5, position);
}

int ComputeIkLib(const double* referenceAngles, double* rotation, double* position,
                 double (*solutions)[KINEMATICS_MAX_SOLUTIONS]) {
    // Working frame: the first two rows of the rotation and x, y negated.
    for (int j = 0; j < 6; ++j) {
        rotation[j] = -rotation[j];
    }
    position[0] = -position[0];
    position[1] = -position[1];

    IkContext ctx;
    ctx.dh = g_model.load();
    ctx.r11 = rotation[0];
    ctx.r12 = rotation[1];
    ctx.r13 = rotation[2];
    ctx.r21 = rotation[3];
    ctx.r22 = rotation[4];
    ctx.r23 = rotation[5];
    ctx.r31 = rotation[6];
    ctx.r32 = rotation[7];
    ctx.r33 = rotation[8];
    ctx.px = position[0];
    ctx.py = position[1];
    ctx.pz = position[2];
    ctx.qref = referenceAngles;
    ctx.sol = solutions;
    ctx.n = 0;
    const DhModel& dh = ctx.dh;
    ctx.elbowOffset = dh.A3 * dh.A3 + dh.A4 * dh.A4;
    ctx.elbowScale = 1.0 / (2.0 * dh.A3 * dh.A4);

    // Wrist centre projected on the base plane; it must lie outside the
    // cylinder of radius D2 about the base axis (with 12.5 mm of tolerance).
    const double wx = ctx.px - dh.D6 * ctx.r13;
    const double wy = ctx.py - dh.D6 * ctx.r23;
    const double rho = std::sqrt(wx * wx + wy * wy);
    if (!(rho >= dh.D2 - kOffsetCylinderTolerance)) {
        return 0;
    }

    double candidates[2];
    int candidateCount;
    const double phi = angleOf(wx, wy);  // the angle does not depend on the scale
    if (dh.D2 / rho > kSingleShoulderRatio) {
        candidates[0] = phi > kPi ? phi - kTwoPi : phi;
        candidateCount = 1;
    } else {
        const double alpha = std::acos(dh.D2 / rho);
        const double plus = phi + alpha;
        const double minus = phi - alpha;
        candidates[0] = plus > kPi ? plus - kTwoPi : plus;
        candidates[1] = minus <= -kPi ? minus + kTwoPi : minus;
        candidateCount = 2;
    }

    // Candidates with two regular wrist values, kept for the second pass.
    double regular[2][4];
    int regularCount = 0;
    for (int i = 0; i < candidateCount; ++i) {
        const double th1 = candidates[i];
        const double c1 = std::cos(th1);
        const double s1 = std::sin(th1);
        const double c5 = c1 * ctx.r23 + s1 * ctx.r13;
        const double absC5 = std::fabs(c5);
        if (!(absC5 <= kWristCosReject)) {
            continue;
        }
        if (absC5 > kWristCosSingular) {
            solveSingularWrist(ctx, th1, c1, s1, c5);
            continue;
        }
        regular[regularCount][0] = th1;
        regular[regularCount][1] = c1;
        regular[regularCount][2] = s1;
        regular[regularCount][3] = c5;
        ++regularCount;
        solveRegularCandidate(ctx, th1, c1, s1, c5, kFirstPassElbowTolerance);
    }

    // Second pass: a target slightly out of reach is accepted with the wider
    // elbow tolerance when nothing was found otherwise.
    if (ctx.n == 0) {
        for (int i = 0; i < regularCount; ++i) {
            solveRegularCandidate(ctx, regular[i][0], regular[i][1], regular[i][2], regular[i][3],
                                  kSecondPassElbowTolerance);
        }
    }
    return ctx.n;
}
