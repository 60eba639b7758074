// Move requests for simulator tests, built with the message classes (never
// the library's codec): a profile with every required field set and
// waypoints added one by one.
#pragma once

#include "robotcommon.pb.h"
#include "robotmovecondition.pb.h"

namespace tevo_test {

// A move of `mode` without waypoints: no track, no teach, tool at the
// flange, no relative offset; every joint limited to `speed` (rad/s) and
// `acc` (rad/s^2).
inline tevo::robot::common::RobotMove moveProfile(tevo::robot::movecondition::move_mode mode,
                                                  double speed = 1.0, double acc = 2.0) {
    namespace mc = tevo::robot::movecondition;
    tevo::robot::common::RobotMove mv;
    auto* mp = mv.mutable_move_profile();
    mp->set_movemode(mode);
    mp->set_submovemode(mc::NO_TRACK);
    mp->set_teachmode(mc::NO_TEACH);
    mp->set_enableiterik(false);
    mp->set_tooltrack(false);
    auto* tp = mp->mutable_toolinendposition();
    tp->set_x(0), tp->set_y(0), tp->set_z(0);
    auto* to = mp->mutable_toolinendorientation();
    to->set_w(1), to->set_x(0), to->set_y(0), to->set_z(0);
    mp->mutable_relativemove()->set_ena(false);
    mp->mutable_relativemove()->mutable_relativeorientation();
    for (int i = 0; i < 6; ++i) {
        mp->mutable_maxvelc()->add_jointpara(speed);
        mp->mutable_maxacc()->add_jointpara(acc);
    }
    mp->set_blendradius(0.02f);
    mp->set_circularlooptimes(0);
    mp->mutable_arrivalahead()->set_arrivalaheadstat(0);
    mp->mutable_arrivalahead()->set_arrivalaheadthr(0);
    return mv;
}

// Appends a waypoint: joint angles q (rad; none when null), the position pos
// (m; the origin when null) and the orientation quat (w, x, y, z; identity
// when null).
inline void addWaypoint(tevo::robot::common::RobotMove& mv, const double* q,
                        const double* pos = nullptr, const double* quat = nullptr) {
    auto* rp = mv.add_roadpointvector();
    auto* p = rp->mutable_cartpos()->add_position();
    p->set_x(pos ? pos[0] : 0), p->set_y(pos ? pos[1] : 0), p->set_z(pos ? pos[2] : 0);
    auto* o = rp->mutable_orientation();
    o->set_w(quat ? quat[0] : 1), o->set_x(quat ? quat[1] : 0), o->set_y(quat ? quat[2] : 0),
        o->set_z(quat ? quat[3] : 0);
    if (q)
        for (int i = 0; i < 6; ++i) rp->add_jointpos(q[i]);
}

}  // namespace tevo_test
