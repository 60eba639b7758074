#include "kinematics/armurdf.h"

#include <charconv>
#include <string>

#include "RobotSDK/util/ikfunc.h"
#include "kinematics/kinematicscore.h"

const char* const kArmUrdfBaseLink = "base_link";
const char* const kArmUrdfFlangeLink = "flange";

// The chain, in public joint angles (each the negative of the core's angle):
//   joint 1 about the base z axis at height D1;
//   the shoulder offset D2 - D4 along -y, then joint 2 about -y;
//   the upper arm A3 along z, then joint 3 about +y;
//   the forearm A4 along z and the offset D4 along -y, then joint 4 about -y;
//   D5 along z, then joint 5 about z;
//   D6 along -y and a quarter turn about x, then joint 6 about z.
// Link 6 then has the frame of the forward kinematics (flange position and
// orientation in the base frame), and so has the fixed link "flange" on it. At
// zero angles the arm stands upright with the flange facing -y.

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;

// Speed limit of every joint, rad/s: the one the simulator's servo follower
// applies (tevo_sim::SimOptions::servoMaxJointSpeed; the URDF test holds them
// equal).
constexpr double kJointVelocity = 3.15;

// Rough masses: every link a solid cylinder of its drawn size at the density of
// aluminium. Not measured; enough for tools that want an inertia.
constexpr double kDensity = 2700.0;  // kg/m^3

// Effort limit: twice the torque that holds the links beyond the joint with the
// arm stretched out horizontally (no payload), from the rough masses.
constexpr double kEffortMargin = 2.0;

// Drawn sizes relative to the wrist length D5.
constexpr double kArmRadius = 0.4;
constexpr double kWristRadius = 0.32;
constexpr double kBaseRadius = 0.5;
constexpr double kFlangeThickness = 0.01;  // m

struct Vec3 {
    double x, y, z;
};

struct Cylinder {
    Vec3 xyz;  // centre in the link frame
    Vec3 rpy;  // turns the cylinder's axis (z) into its direction
    double radius;
    double length;

    double mass() const { return kDensity * kPi * radius * radius * length; }
};

// Shortest text that reads back as the same double, whatever the C locale. A
// negative zero is written as 0.
std::string number(double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v + 0.0).ptr;
    return std::string(text, end);
}

std::string triple(const Vec3& v) { return number(v.x) + " " + number(v.y) + " " + number(v.z); }

std::string origin(const Vec3& xyz, const Vec3& rpy) {
    return "<origin xyz=\"" + triple(xyz) + "\" rpy=\"" + triple(rpy) + "\"/>";
}

void addLink(std::string& out, const std::string& name, const Cylinder* body, bool inertial) {
    if (body == nullptr) {
        out += "  <link name=\"" + name + "\"/>\n";
        return;
    }
    const std::string place = origin(body->xyz, body->rpy);
    const std::string shape = "<geometry><cylinder radius=\"" + number(body->radius) +
                              "\" length=\"" + number(body->length) + "\"/></geometry>";
    out += "  <link name=\"" + name + "\">\n";
    out += "    <visual>\n      " + place + "\n      " + shape +
           "\n      <material name=\"grey\"/>\n    </visual>\n";
    out += "    <collision>\n      " + place + "\n      " + shape + "\n    </collision>\n";
    if (inertial) {
        // Solid cylinder about its centre, in its own axes.
        const double m = body->mass();
        const double r2 = body->radius * body->radius;
        const double across = m * (3.0 * r2 + body->length * body->length) / 12.0;
        const double along = m * r2 / 2.0;
        out += "    <inertial>\n      " + place + "\n      <mass value=\"" + number(m) +
               "\"/>\n      <inertia ixx=\"" + number(across) + "\" ixy=\"0\" ixz=\"0\" iyy=\"" +
               number(across) + "\" iyz=\"0\" izz=\"" + number(along) + "\"/>\n    </inertial>\n";
    }
    out += "  </link>\n";
}

struct JointDef {
    Vec3 xyz;  // origin in the parent link
    Vec3 rpy;
    Vec3 axis;
    double holdingTorque;  // N m
};

// A revolute joint with the library's limits, or (def null) a fixed joint at
// the parent's origin.
void addJoint(std::string& out, const std::string& name, const std::string& parent,
              const std::string& child, const JointDef* def) {
    out += "  <joint name=\"" + name + "\" type=\"" + (def != nullptr ? "revolute" : "fixed") +
           "\">\n";
    out += "    <parent link=\"" + parent + "\"/>\n    <child link=\"" + child + "\"/>\n";
    if (def == nullptr) {
        out += "    " + origin(Vec3{0.0, 0.0, 0.0}, Vec3{0.0, 0.0, 0.0}) + "\n  </joint>\n";
        return;
    }
    out += "    " + origin(def->xyz, def->rpy) + "\n";
    out += "    <axis xyz=\"" + triple(def->axis) + "\"/>\n";
    out += "    <limit lower=\"" + number(-Ikfunc::kJointLimit) + "\" upper=\"" +
           number(Ikfunc::kJointLimit) + "\" velocity=\"" + number(kJointVelocity) +
           "\" effort=\"" + number(kEffortMargin * def->holdingTorque) + "\"/>\n";
    out += "  </joint>\n";
}

}  // namespace

std::string armUrdf(tevo_robot_type model) {
    if (model < tevo_model_0 || model >= tevo_robot_type_num) {
        return std::string();
    }
    const KinematicsModelDefaults& m = kKinematicsModelDefaults[model];
    const double shoulder = m.D2 - m.D4;  // D2 holds the whole lateral offset
    const double arm = kArmRadius * m.D5;
    const double wrist = kWristRadius * m.D5;
    const Vec3 none{0.0, 0.0, 0.0};
    const Vec3 alongY{kPi / 2.0, 0.0, 0.0};

    const Cylinder base{{0.0, 0.0, m.D1 / 2.0}, none, kBaseRadius * m.D5, m.D1};
    const Cylinder links[6] = {
        {{0.0, -shoulder / 2.0, 0.0}, alongY, arm, shoulder},
        {{0.0, 0.0, m.A3 / 2.0}, none, arm, m.A3},
        {{0.0, 0.0, m.A4 / 2.0}, none, wrist, m.A4},
        {{0.0, 0.0, m.D5 / 2.0}, none, wrist, m.D5},
        {{0.0, -m.D6 / 2.0, 0.0}, alongY, wrist, m.D6},
        {{0.0, 0.0, -kFlangeThickness / 2.0}, none, wrist, kFlangeThickness},
    };

    // Holding torques with the arm stretched out: the links beyond the
    // shoulder, the elbow and the wrist at their centres' distances (the wrist
    // links at the wrist's end).
    const double wristMass = links[3].mass() + links[4].mass() + links[5].mass();
    const double wristTorque = kGravity * wristMass * m.D5;
    const double elbowTorque =
        wristTorque + kGravity * (links[2].mass() * m.A4 / 2.0 + wristMass * m.A4);
    const double shoulderTorque = elbowTorque + kGravity * (links[1].mass() * m.A3 / 2.0 +
                                                            (links[2].mass() + wristMass) * m.A3);
    // Each joint's origin in its parent link, its axis and its holding torque.
    const JointDef joints[6] = {
        {{0.0, 0.0, m.D1}, none, {0.0, 0.0, 1.0}, shoulderTorque},        // base z axis
        {{0.0, -shoulder, 0.0}, none, {0.0, -1.0, 0.0}, shoulderTorque},  // shoulder
        {{0.0, 0.0, m.A3}, none, {0.0, 1.0, 0.0}, elbowTorque},           // elbow
        {{0.0, -m.D4, m.A4}, none, {0.0, -1.0, 0.0}, wristTorque},        // wrist 1
        {{0.0, 0.0, m.D5}, none, {0.0, 0.0, 1.0}, wristTorque},           // wrist 2
        {{0.0, -m.D6, 0.0}, alongY, {0.0, 0.0, 1.0}, wristTorque},        // wrist 3, at the flange
    };

    const std::string name = "tevo_model_" + std::to_string(static_cast<int>(model));
    std::string out;
    out.reserve(8192);
    out += "<?xml version=\"1.0\"?>\n";
    out += "<!-- Arm model " + std::to_string(static_cast<int>(model)) +
           ", generated by tevo-urdf from the lengths of the library's kinematics.\n"
           "     Joint angles are the library's public joint angles; the link \"" +
           kArmUrdfFlangeLink +
           "\" has the frame of its forward kinematics.\n"
           "     Masses and efforts are rough estimates, not measured. -->\n";
    out += "<robot name=\"" + name + "\">\n";
    out += "  <material name=\"grey\"><color rgba=\"0.75 0.75 0.75 1\"/></material>\n";
    // The base carries no inertia: it is fixed to the world, and KDL ignores a
    // root link's inertia with a warning.
    addLink(out, kArmUrdfBaseLink, &base, false);
    std::string parent = kArmUrdfBaseLink;
    for (int j = 0; j < 6; ++j) {
        const std::string child = "link_" + std::to_string(j + 1);
        addJoint(out, "joint_" + std::to_string(j + 1), parent, child, &joints[j]);
        addLink(out, child, &links[j], true);
        parent = child;
    }
    addJoint(out, "flange_joint", parent, kArmUrdfFlangeLink, nullptr);
    addLink(out, kArmUrdfFlangeLink, nullptr, false);
    out += "</robot>\n";
    return out;
}
