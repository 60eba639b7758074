// Runs move cases read from stdin through the modern layer and prints where
// each one ended, so that another layer's run of the same cases can be
// compared with it value by value.
//
//   modern_layer_scenario HOST PORT   (logs in as tevo/tevo and starts the arm)
//
// One case per line, numbers separated by blanks (angles in rad, lengths in m,
// quaternions w x y z):
//
//   home j1 j2 j3 j4 j5 j6                 the joints each case starts from (prints nothing)
//   joint NAME j1 j2 j3 j4 j5 j6           moveJoint
//   line_to_pose NAME x y z qw qx qy qz    moveLineToPose
//   line_to_position NAME x y z            moveLineToPosition
//   relative NAME dx dy dz                 moveRelative
//
// Each case first moves to the home joints with moveJoint, then runs its
// blocking move and prints "NAME x y z qw qx qy qz j1 .. j6": the flange pose
// and the joint angles the controller reports afterwards. An empty line or the
// end of the input ends the run: exit 0. The first bad line or failed move
// prints its error to stderr and exits 1.
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tevo/robot.hpp"

namespace {

// A whole, finite number, or an exception naming the token.
double number(const std::string& token) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (token.empty() || end != token.c_str() + token.size() || errno == ERANGE ||
        !std::isfinite(value)) {
        throw std::invalid_argument("not a finite number: \"" + token + "\"");
    }
    return value;
}

template <size_t N>
std::array<double, N> numbers(const std::vector<std::string>& tokens, size_t first) {
    std::array<double, N> values{};
    for (size_t i = 0; i < N; ++i) values[i] = number(tokens[first + i]);
    return values;
}

void printResult(const std::string& name, tevo::Robot& robot) {
    const tevo::Waypoint here = robot.currentWaypoint();
    std::printf("%s", name.c_str());
    for (double v : here.flange.positionM) std::printf(" %.12g", v);
    for (double v : here.flange.quaternionWxyz) std::printf(" %.12g", v);
    for (double v : here.jointsRad) std::printf(" %.12g", v);
    std::printf("\n");
    std::fflush(stdout);
}

// Runs one input line; false at the end of the cases.
bool runLine(const std::string& line, tevo::Robot& robot, tevo::JointsRad& home) {
    std::istringstream in(line);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    if (tokens.empty()) return false;

    const std::string& kind = tokens[0];
    const auto expect = [&](size_t count) {
        if (tokens.size() != count) {
            throw std::invalid_argument(kind + " takes " + std::to_string(count - 1) +
                                        " fields, got " + std::to_string(tokens.size() - 1));
        }
    };
    if (kind == "home") {
        expect(7);
        home = numbers<6>(tokens, 1);
        return true;
    }
    std::function<void()> move;
    if (kind == "joint") {
        expect(8);
        const tevo::JointsRad target = numbers<6>(tokens, 2);
        move = [&robot, target] { robot.moveJoint(target); };
    } else if (kind == "line_to_pose") {
        expect(9);
        tevo::Pose target;
        target.positionM = numbers<3>(tokens, 2);
        target.quaternionWxyz = numbers<4>(tokens, 5);
        move = [&robot, target] { robot.moveLineToPose(target); };
    } else if (kind == "line_to_position") {
        expect(5);
        const std::array<double, 3> target = numbers<3>(tokens, 2);
        move = [&robot, target] { robot.moveLineToPosition(target); };
    } else if (kind == "relative") {
        expect(5);
        const std::array<double, 3> offset = numbers<3>(tokens, 2);
        move = [&robot, offset] { robot.moveRelative(offset); };
    } else {
        throw std::invalid_argument("unknown case kind \"" + kind + "\"");
    }
    robot.moveJoint(home);
    move();
    printResult(tokens[1], robot);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HOST PORT < cases\n", argv[0]);
        return 1;
    }
    std::string line;
    int lineNumber = 0;
    try {
        tevo::Robot robot(argv[1], static_cast<int>(number(argv[2])), "tevo", "tevo");
        robot.startup();
        // The arm's position after start-up until a "home" line says otherwise.
        tevo::JointsRad home = robot.jointsRad();
        while (std::getline(std::cin, line)) {
            ++lineNumber;
            if (!runLine(line, robot, home)) break;
        }
    } catch (const std::exception& e) {
        if (lineNumber > 0) {
            std::fprintf(stderr, "line %d \"%s\": %s\n", lineNumber, line.c_str(), e.what());
        } else {
            std::fprintf(stderr, "%s\n", e.what());
        }
        return 1;
    }
    return 0;
}
