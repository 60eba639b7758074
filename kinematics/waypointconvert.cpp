#include "kinematics/waypointconvert.h"

#include <cstring>

namespace {

template <typename To, typename From>
void copyWayPoint(const From& from, To& to) {
    std::memset(&to, 0, sizeof(to));
    to.cartPos.position.x = from.cartPos.position.x;
    to.cartPos.position.y = from.cartPos.position.y;
    to.cartPos.position.z = from.cartPos.position.z;
    to.orientation.w = from.orientation.w;
    to.orientation.x = from.orientation.x;
    to.orientation.y = from.orientation.y;
    to.orientation.z = from.orientation.z;
    for (int j = 0; j < 6; ++j) {
        to.jointpos[j] = from.jointpos[j];
    }
}

}  // namespace

void TevoWayPointToikFunRoadPint(const tevo_robot_namespace::wayPoint_S& tevoWayPoint,
                                 wayPoint_S& ikWayPoint) {
    copyWayPoint(tevoWayPoint, ikWayPoint);
}

void ikFunRoadPintToTevoWayPoint(const wayPoint_S& ikWayPoint,
                                 tevo_robot_namespace::wayPoint_S& tevoWayPoint) {
    copyWayPoint(ikWayPoint, tevoWayPoint);
}
