#ifndef ROBOTOTHERSERVICE_H
#define ROBOTOTHERSERVICE_H

// Parameters of the controller's vision recognition function and of seam
// tracking, set and read back. The facade forwards its recognition and
// seam-tracking operations here unchanged.
//
// Threads: application threads only, any number at once. The class keeps no
// state besides the control core (not owned); each operation is one request
// of at most 1.8 s through the core's request engine.

#include "TevoRobotMetaType.h"

class RobotControlServices;

class robotOtherService {
public:
    explicit robotOtherService(RobotControlServices* robotBaseService);

    robotOtherService(const robotOtherService&) = delete;
    robotOtherService& operator=(const robotOtherService&) = delete;

    // Sends type, length, then the first min(length, 255) data bytes.
    int setRobotRecognitionParam(const tevo_robot_namespace::RobotRecongnitionParam& param);
    // Zeroes param, asks for the parameters of type and fills param from a
    // reply of more than two values: type, length, then at most length data
    // bytes, as many as the reply holds. Values are cut to 8 bits. param may
    // be filled even when the returned code is not 0.
    int getRobotRecognitionParam(int type, tevo_robot_namespace::RobotRecongnitionParam& param);
    int setSeamTrackingParameters(const tevo_robot_namespace::SeamTracking& seamTrack);
    int getSeamTrackingParameters(tevo_robot_namespace::SeamTracking& seamTrack);

private:
    RobotControlServices* m_robotBaseService;
};

#endif  // ROBOTOTHERSERVICE_H
