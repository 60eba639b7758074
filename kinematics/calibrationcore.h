#ifndef KINEMATICS_CALIBRATIONCORE_H
#define KINEMATICS_CALIBRATIONCORE_H

// Frame calibration from taught poses and the small matrix utilities it uses.
// Plain arrays of doubles in metres; rotation matrices row-major whose columns
// are the rotated frame's axes in base coordinates. No state; any thread.

#include "kinematics/kinematicstypes.h"

// out = a x b, divided by its length when normalize is true.
void vectorCrossProduct(Pos& out, const Pos& a, const Pos& b, bool normalize);

// out (rows x cols) = [out or 0] + op(A) * B, where op(A) is A (rows x inner,
// plainA) or the transpose of A stored inner x rows. out may alias A or B.
// Returns false, writing nothing, for a null pointer or a failed allocation.
bool matrixMultiplication(double* out, const double* A, const double* B, unsigned rows,
                          unsigned inner, unsigned cols, bool clearFirst, bool plainA);

// Inverts the symmetric n x n row-major matrix A in place (Gauss-Jordan without
// pivoting). Returns 1 on success, 0 on a negligible pivot or a failed
// allocation (A is then partly transformed).
int positiveDefiniteMatrixInverse(double* A, int n);

// User frame from three taught poses (origin first). Rows of bInWOri are the
// user axes in base coordinates, bInWPos is the base origin in the user frame,
// wInBPos the user origin in the base frame; dotValue receives u1.u2 for the
// methods that use the second direction as taught. Returns 1 on success, 0 for
// an unknown method or points that do not span a plane (nothing written then).
unsigned char userCoordinateCalibLib(const Pose_S* poses, char method, double* bInWPos,
                                     double* bInWOri, double* wInBPos, double& dotValue);

// Tool centre point in the flange frame from count >= 4 flange poses touching
// one fixed point (rotations and positions are overwritten), and for methods
// 0..5 the tool orientation from the orientation poses.
bool toolCoordinateCalibLib(double* rotations, double* positions, int count, char method,
                            const double* oriRotations, const double* oriPositions, bool check,
                            double checkThr, double* toolInEndPos, double* toolPoseRot);

#endif  // KINEMATICS_CALIBRATIONCORE_H
