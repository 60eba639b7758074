// The URDF descriptions of the arm models as robot software reads them:
// Debian's urdfdom parses each, kdl_parser builds the KDL tree, and KDL's
// forward kinematics from the base to the flange must equal the library's
// public forward kinematics.
#include <gtest/gtest.h>
#include <urdf_parser/urdf_parser.h>

#include <cmath>
#include <fstream>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/frames.hpp>
#include <kdl/jntarray.hpp>
#include <kdl/tree.hpp>
#include <kdl_parser/kdl_parser.hpp>
#include <random>
#include <sstream>
#include <string>

#include "RobotSDK/util/ikfunc.h"
#include "kinematics/armurdf.h"
#include "sim/controllersim.h"

namespace {

constexpr int kSamples = 1000;
constexpr double kPositionTolerance = 1e-9;  // m
constexpr double kAngleTolerance = 1e-9;     // rad

class ArmUrdfTest : public ::testing::TestWithParam<int> {
protected:
    tevo_robot_type model() const { return static_cast<tevo_robot_type>(GetParam()); }
    void TearDown() override { Ikfunc::SetDhParaLen(tevo_model_0); }
};

// Angle of the rotation that takes a to b (unit quaternions, w first), exact
// for small angles.
double angleBetween(const Ori& a, const Ori& b) {
    // conj(a) * b
    const double w = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    const double x = a.w * b.x - a.x * b.w - a.y * b.z + a.z * b.y;
    const double y = a.w * b.y + a.x * b.z - a.y * b.w - a.z * b.x;
    const double z = a.w * b.z - a.x * b.y + a.y * b.x - a.z * b.w;
    return 2.0 * std::atan2(std::sqrt(x * x + y * y + z * z), std::fabs(w));
}

TEST_P(ArmUrdfTest, KdlChainMatchesPublicForwardKinematics) {
    const std::string urdf = armUrdf(model());
    ASSERT_FALSE(urdf.empty());
    const urdf::ModelInterfaceSharedPtr parsed = urdf::parseURDF(urdf);
    ASSERT_TRUE(parsed) << "urdfdom refused the description";
    KDL::Tree tree;
    ASSERT_TRUE(kdl_parser::treeFromUrdfModel(*parsed, tree));
    KDL::Chain chain;
    ASSERT_TRUE(tree.getChain(kArmUrdfBaseLink, kArmUrdfFlangeLink, chain));
    ASSERT_EQ(chain.getNrOfJoints(), 6u);
    KDL::ChainFkSolverPos_recursive solver(chain);

    ASSERT_TRUE(Ikfunc::SetDhParaLen(model()));
    std::mt19937_64 rng(0x75726466u + static_cast<unsigned>(GetParam()));
    std::uniform_real_distribution<double> angle(-Ikfunc::kJointLimit, Ikfunc::kJointLimit);
    double worstPosition = 0.0;
    double worstAngle = 0.0;
    for (int i = 0; i < kSamples; ++i) {
        double q[6];
        KDL::JntArray joints(6);
        for (int j = 0; j < 6; ++j) {
            q[j] = angle(rng);
            joints(j) = q[j];
        }
        Pos position{};
        Ori orientation{};
        Ikfunc::ArmFk(position, orientation, q);

        KDL::Frame flange;
        ASSERT_GE(solver.JntToCart(joints, flange), 0);
        const double dx = flange.p.x() - position.x;
        const double dy = flange.p.y() - position.y;
        const double dz = flange.p.z() - position.z;
        Ori kdl{};
        flange.M.GetQuaternion(kdl.x, kdl.y, kdl.z, kdl.w);
        const double positionError = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double angleError = angleBetween(orientation, kdl);
        worstPosition = std::fmax(worstPosition, positionError);
        worstAngle = std::fmax(worstAngle, angleError);
        ASSERT_LE(positionError, kPositionTolerance)
            << "sample " << i << " at joints " << q[0] << " " << q[1] << " " << q[2] << " " << q[3]
            << " " << q[4] << " " << q[5];
        ASSERT_LE(angleError, kAngleTolerance) << "sample " << i;
    }
    std::ostringstream worst;
    worst << worstPosition << " m, " << worstAngle << " rad";
    RecordProperty("worst_error", worst.str());
}

TEST_P(ArmUrdfTest, JointLimitsAreTheLibrarys) {
    const urdf::ModelInterfaceSharedPtr parsed = urdf::parseURDF(armUrdf(model()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->getName(), "tevo_model_" + std::to_string(GetParam()));
    // The speed limit is the one the simulator applies to every joint.
    const double speed = tevo_sim::SimOptions().servoMaxJointSpeed;
    for (int j = 1; j <= 6; ++j) {
        const std::string name = "joint_" + std::to_string(j);
        const urdf::JointConstSharedPtr joint = parsed->getJoint(name);
        ASSERT_TRUE(joint) << name;
        EXPECT_EQ(joint->type, urdf::Joint::REVOLUTE) << name;
        ASSERT_TRUE(joint->limits) << name;
        EXPECT_EQ(joint->limits->lower, -Ikfunc::kJointLimit) << name;
        EXPECT_EQ(joint->limits->upper, Ikfunc::kJointLimit) << name;
        EXPECT_EQ(joint->limits->velocity, speed) << name;
        EXPECT_GT(joint->limits->effort, 0.0) << name;
    }
    // Every moving link can be drawn and collided with.
    for (int j = 1; j <= 6; ++j) {
        const urdf::LinkConstSharedPtr link = parsed->getLink("link_" + std::to_string(j));
        ASSERT_TRUE(link);
        EXPECT_TRUE(link->visual && link->visual->geometry) << link->name;
        EXPECT_TRUE(link->collision && link->collision->geometry) << link->name;
        ASSERT_TRUE(link->inertial) << link->name;
        EXPECT_GT(link->inertial->mass, 0.0) << link->name;
    }
}

// The files the build writes (and installs) are the generator's output.
TEST_P(ArmUrdfTest, BuildTreeFileIsTheGeneratorsOutput) {
    const std::string path =
        std::string(TEVO_URDF_DIR) + "/tevo_model_" + std::to_string(GetParam()) + ".urdf";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), armUrdf(model())) << path;
}

INSTANTIATE_TEST_SUITE_P(Models, ArmUrdfTest,
                         ::testing::Range(0, static_cast<int>(tevo_robot_type_num)));

TEST(ArmUrdf, UnknownModelGivesNoDocument) {
    for (const int model : {-1, static_cast<int>(tevo_robot_type_num), 1000}) {
        EXPECT_TRUE(armUrdf(static_cast<tevo_robot_type>(model)).empty()) << model;
    }
}

}  // namespace
