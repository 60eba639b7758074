#include "sim/simkinematics.h"

#include <cmath>

namespace tevo_sim {
namespace {

void matToQuat(const double r[9], double q[4]) {
    const double tr = r[0] + r[4] + r[8];
    if (tr > 0) {
        const double s = std::sqrt(tr + 1.0) * 2;
        q[0] = 0.25 * s;
        q[1] = (r[7] - r[5]) / s;
        q[2] = (r[2] - r[6]) / s;
        q[3] = (r[3] - r[1]) / s;
    } else if (r[0] > r[4] && r[0] > r[8]) {
        const double s = std::sqrt(1.0 + r[0] - r[4] - r[8]) * 2;
        q[0] = (r[7] - r[5]) / s;
        q[1] = 0.25 * s;
        q[2] = (r[1] + r[3]) / s;
        q[3] = (r[2] + r[6]) / s;
    } else if (r[4] > r[8]) {
        const double s = std::sqrt(1.0 + r[4] - r[0] - r[8]) * 2;
        q[0] = (r[2] - r[6]) / s;
        q[1] = (r[1] + r[3]) / s;
        q[2] = 0.25 * s;
        q[3] = (r[5] + r[7]) / s;
    } else {
        const double s = std::sqrt(1.0 + r[8] - r[0] - r[4]) * 2;
        q[0] = (r[3] - r[1]) / s;
        q[1] = (r[2] + r[6]) / s;
        q[2] = (r[5] + r[7]) / s;
        q[3] = 0.25 * s;
    }
    if (q[0] < 0)
        for (int i = 0; i < 4; ++i) q[i] = -q[i];
}

void quatMul(const double a[4], const double b[4], double out[4]) {
    out[0] = a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3];
    out[1] = a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2];
    out[2] = a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1];
    out[3] = a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0];
}

// Rotation-vector error that turns `from` into `to` (base frame).
void orientationError(const double from[4], const double to[4], double e[3]) {
    const double inv[4] = {from[0], -from[1], -from[2], -from[3]};
    double d[4];
    quatMul(to, inv, d);
    if (d[0] < 0)
        for (double& v : d) v = -v;
    const double n = std::sqrt(d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
    if (n < 1e-12) {
        e[0] = e[1] = e[2] = 0;
        return;
    }
    const double ang = 2 * std::atan2(n, d[0]);
    for (int i = 0; i < 3; ++i) e[i] = d[i + 1] / n * ang;
}

// Solves the 6x6 system a x = b in place (Gaussian elimination, partial pivoting).
bool solve6(double a[6][6], double b[6], double x[6]) {
    for (int c = 0; c < 6; ++c) {
        int piv = c;
        for (int r = c + 1; r < 6; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
        if (std::fabs(a[piv][c]) < 1e-14) return false;
        if (piv != c) {
            for (int k = 0; k < 6; ++k) std::swap(a[c][k], a[piv][k]);
            std::swap(b[c], b[piv]);
        }
        for (int r = c + 1; r < 6; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int k = c; k < 6; ++k) a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    for (int r = 5; r >= 0; --r) {
        double s = b[r];
        for (int k = r + 1; k < 6; ++k) s -= a[r][k] * x[k];
        x[r] = s / a[r][r];
    }
    return true;
}

}  // namespace

Pose forwardKinematics(const Dh& dh, const double joints[6]) {
    double c[6], s[6];
    for (int i = 0; i < 6; ++i) {
        const double t = -joints[i];  // the geometry below uses the opposite sign
        c[i] = std::cos(t);
        s[i] = std::sin(t);
    }
    const double t23 = -joints[1] + joints[2];
    const double t234 = t23 - joints[3];
    const double c23 = std::cos(t23), s23 = std::sin(t23);
    const double c234 = std::cos(t234), s234 = std::sin(t234);
    const double k = c[0] * c234 * c[4] - s[0] * s[4];
    const double m = c[0] * s[4] + s[0] * c234 * c[4];
    double r[9];
    r[0] = c[5] * k - c[0] * s234 * s[5];
    r[1] = c[0] * s234 * c[5] + s[5] * k;
    r[2] = -s[0] * c[4] - c[0] * c234 * s[4];
    r[3] = s[0] * s234 * s[5] - c[5] * m;
    r[4] = -s[5] * m - s[0] * s234 * c[5];
    r[5] = s[0] * c234 * s[4] - c[0] * c[4];
    r[6] = -c234 * s[5] - s234 * c[4] * c[5];
    r[7] = c234 * c[5] - s234 * c[4] * s[5];
    r[8] = s234 * s[4];
    const double p = dh.a3 * s[1] + dh.a4 * s23 + dh.d5 * s234;
    Pose out{};
    out.p[0] = c[0] * p - s[0] * dh.d2 + dh.d6 * r[2];
    out.p[1] = -s[0] * p - c[0] * dh.d2 + dh.d6 * r[5];
    out.p[2] = dh.d1 + dh.a3 * c[1] + dh.a4 * c23 + dh.d5 * c234 + dh.d6 * r[8];
    matToQuat(r, out.q);
    return out;
}

bool inverseKinematicsNear(const Dh& dh, const Pose& target, const double seed[6], double out[6]) {
    double q[6];
    for (int i = 0; i < 6; ++i) q[i] = seed[i];
    const double h = 1e-7;
    for (int iter = 0; iter < 100; ++iter) {
        const Pose cur = forwardKinematics(dh, q);
        double err[6];
        for (int i = 0; i < 3; ++i) err[i] = target.p[i] - cur.p[i];
        orientationError(cur.q, target.q, err + 3);
        const double pe = std::sqrt(err[0] * err[0] + err[1] * err[1] + err[2] * err[2]);
        const double oe = std::sqrt(err[3] * err[3] + err[4] * err[4] + err[5] * err[5]);
        if (pe < 1e-6 && oe < 1e-5) {
            for (int i = 0; i < 6; ++i) out[i] = q[i];
            return true;
        }
        // Numerical Jacobian: column j is the twist from a small step of joint j.
        double jac[6][6];
        for (int j = 0; j < 6; ++j) {
            double qj[6];
            for (int i = 0; i < 6; ++i) qj[i] = q[i];
            qj[j] += h;
            const Pose pj = forwardKinematics(dh, qj);
            double oj[3];
            orientationError(cur.q, pj.q, oj);
            for (int i = 0; i < 3; ++i) {
                jac[i][j] = (pj.p[i] - cur.p[i]) / h;
                jac[i + 3][j] = oj[i] / h;
            }
        }
        // Damped least squares: (J^T J + l^2 I) dq = J^T e.
        const double lambda2 = 1e-6;
        double a[6][6], b[6], dq[6];
        for (int r = 0; r < 6; ++r) {
            b[r] = 0;
            for (int k = 0; k < 6; ++k) b[r] += jac[k][r] * err[k];
            for (int c2 = 0; c2 < 6; ++c2) {
                double sum = 0;
                for (int k = 0; k < 6; ++k) sum += jac[k][r] * jac[k][c2];
                a[r][c2] = sum + (r == c2 ? lambda2 : 0.0);
            }
        }
        if (!solve6(a, b, dq)) return false;
        double norm = 0;
        for (double v : dq) norm += v * v;
        norm = std::sqrt(norm);
        const double scale = norm > 0.2 ? 0.2 / norm : 1.0;  // keep steps local
        for (int i = 0; i < 6; ++i) q[i] += dq[i] * scale;
    }
    return false;
}

Pose interpolatePose(const Pose& a, const Pose& b, double s) {
    Pose out{};
    for (int i = 0; i < 3; ++i) out.p[i] = a.p[i] + (b.p[i] - a.p[i]) * s;
    double bq[4] = {b.q[0], b.q[1], b.q[2], b.q[3]};
    double dot = a.q[0] * bq[0] + a.q[1] * bq[1] + a.q[2] * bq[2] + a.q[3] * bq[3];
    if (dot < 0) {
        for (double& v : bq) v = -v;
        dot = -dot;
    }
    if (dot > 0.9995) {
        double n = 0;
        for (int i = 0; i < 4; ++i) {
            out.q[i] = a.q[i] + (bq[i] - a.q[i]) * s;
            n += out.q[i] * out.q[i];
        }
        n = std::sqrt(n);
        for (double& v : out.q) v /= n;
        return out;
    }
    const double th = std::acos(dot);
    const double wa = std::sin((1 - s) * th) / std::sin(th);
    const double wb = std::sin(s * th) / std::sin(th);
    for (int i = 0; i < 4; ++i) out.q[i] = wa * a.q[i] + wb * bq[i];
    return out;
}

double positionDistance(const Pose& a, const Pose& b) {
    double s = 0;
    for (int i = 0; i < 3; ++i) s += (a.p[i] - b.p[i]) * (a.p[i] - b.p[i]);
    return std::sqrt(s);
}

double orientationAngle(const Pose& a, const Pose& b) {
    double e[3];
    orientationError(a.q, b.q, e);
    return std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
}

Pose rotateAboutBaseAxis(const Pose& pose, const double axis[3], double angle) {
    const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    Pose out = pose;
    if (n < 1e-12) return out;
    const double h = angle / 2;
    const double r[4] = {std::cos(h), std::sin(h) * axis[0] / n, std::sin(h) * axis[1] / n,
                         std::sin(h) * axis[2] / n};
    quatMul(r, pose.q, out.q);
    return out;
}

}  // namespace tevo_sim
