#ifndef ROBOTCONVEYORTRACK_H
#define ROBOTCONVEYORTRACK_H

// Conveyor tracking: configures the controller's conveyor tracking, feeds it
// the objects seen on the conveyor and reads the conveyor encoder. The
// tracking itself runs on the controller, which reports its progress as
// robot events; this class does not look at them.
//
// Values go to the controller unchanged: no units, limits or conversions.
// An encoder count per metre above 2^31 - 1 and a time stamp above 2^31 - 1
// travel as the negative 32-bit ints of the same bits.
//
// Threads: application threads only, any number at once. The class keeps no
// state besides the control core (not owned); each operation is one request
// of at most 1.8 s through the core's request engine.

#include <cstdint>

#include "TevoRobotMetaType.h"

class RobotControlServices;

class RobotConveyorTrack {
public:
    explicit RobotConveyorTrack(RobotControlServices* robotBaseService);

    RobotConveyorTrack(const RobotConveyorTrack&) = delete;
    RobotConveyorTrack& operator=(const RobotConveyorTrack&) = delete;

    // Commands without a body, answered by the common response.
    int setConveyorEncoderReset();
    int setConveyorStartup();
    int setConveyorStop();
    int enableConveyorTrack();

    int setConveyorDir(int dir);
    int setRobotCameraCalib(const tevo_robot_namespace::RobotCameraCalib& robotCameraCalib);
    int setConveyorVelc(double conveyorVelc);
    int setEncoderValPerMeter(const uint32_t& encoderValPerMeter);
    int setStartWindowUpstream(double startWindowUpstream);
    int setStartWindowDownstream(double startWindowDownstream);
    int setConveyorTrackDownstream(double trackDownstream);
    int setRobotConveyorTrackMaxVelc(double robotConveyorTrackMaxVelc);
    int setRobotConveyorTrackMaxAcc(double robotConveyorTrackMaxAcc);
    int setRobotConveyorSystemDelay(double robotConveyorSystemDelay);
    int setRobotTool(const tevo_robot_namespace::ToolInEndDesc& robotTool);

    // The encoder count. value is written only when the reply decodes and
    // holds a value (even if it carries an error code); an empty reply
    // leaves it unchanged.
    int getConveyorEncoderVal(int& value);

    int appendObject2ConveyorTrackQueue(const tevo_robot_namespace::Pos& objectPos,
                                        const tevo_robot_namespace::Ori& objectOri,
                                        uint32_t timestamp);

private:
    RobotControlServices* m_robotBaseService;
};

#endif  // ROBOTCONVEYORTRACK_H
