#ifndef KINEMATICS_KINEMATICSTYPES_H
#define KINEMATICS_KINEMATICSTYPES_H

// Value types of the kinematics core. They live in the global namespace and are
// laid out exactly like their public twins in tevo_robot_namespace, but they are
// distinct types: code that sees both names them fully qualified (::Pos versus
// tevo_robot_namespace::Pos). Units: metres, radians.

struct Pos {
    double x;
    double y;
    double z;
};

// Unit quaternion, scalar part first (Hamilton convention).
struct Ori {
    double w;
    double x;
    double y;
    double z;
};

union cartesianPos_U {
    Pos position;
    double positionVector[3];
};

union cartesianOri_U {
    Ori orientation;
    double quaternionVector[4];  // w, x, y, z
};

// Flange position and orientation in the base frame plus the six core joint
// angles that reach it.
struct wayPoint_S {
    cartesianPos_U cartPos;
    Ori orientation;
    double jointpos[6];
};

// A pose without joint angles; its fields are the first two of wayPoint_S.
struct Pose_S {
    cartesianPos_U posU;
    cartesianOri_U oriU;
};

// Fixed underlying type: any int model number (valid or not) is representable.
enum tevo_robot_type : int {
    tevo_model_0 = 0,
    tevo_model_1 = 1,
    tevo_model_2 = 2,
    tevo_model_3 = 3,
    tevo_model_4 = 4,
    tevo_model_5 = 5,
    tevo_model_6 = 6,
    tevo_model_7 = 7,
    tevo_model_8 = 8,
    tevo_model_9 = 9,
    tevo_robot_type_num = 10
};

#endif  // KINEMATICS_KINEMATICSTYPES_H
