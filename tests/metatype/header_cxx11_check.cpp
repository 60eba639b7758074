// Applications include the public types header on its own, possibly with an
// older language level: this program is built as C++11 with nothing included
// before the header, and exercises an event through the callback signature.
#include <cstdio>

#include "TevoRobotMetaType.h"

namespace {

void onEvent(const tevo_robot_namespace::RobotEventInfo* info, void* arg) {
    *static_cast<int*>(arg) = info->eventCode + static_cast<int>(info->eventContent.size());
}

}  // namespace

int main() {
    tevo_robot_namespace::RobotEventInfo info;
    info.eventType = tevo_robot_namespace::RobotEvent_collision;
    info.eventCode = 3;
    info.eventContent = "abcd";
    int seen = 0;
    RobotEventCallback callback = &onEvent;
    callback(&info, &seen);
    if (seen != 7) {
        std::printf("callback saw %d, expected 7\n", seen);
        return 1;
    }
    return 0;
}
