// The facade's conveyor-tracking, recognition and seam-tracking operations:
// each passes its arguments to its service unchanged and returns its result.
#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/robototherservice.h"
#include "RobotSDK/service/robotconveyortrack.h"

using namespace tevo_robot_namespace;

// ---- Conveyor tracking ---------------------------------------------------------------

int ServiceInterface::robotServiceSetConveyorEncoderReset() {
    return m_robotConveyorTrack->setConveyorEncoderReset();
}
int ServiceInterface::robotServiceSetConveyorStartup() {
    return m_robotConveyorTrack->setConveyorStartup();
}
int ServiceInterface::robotServiceSetConveyorStop() {
    return m_robotConveyorTrack->setConveyorStop();
}
int ServiceInterface::robotServiceSetConveyorDir(int dir) {
    return m_robotConveyorTrack->setConveyorDir(dir);
}
int ServiceInterface::robotServiceSetRobotCameraCalib(const RobotCameraCalib& robotCameraCalib) {
    return m_robotConveyorTrack->setRobotCameraCalib(robotCameraCalib);
}
int ServiceInterface::robotServiceSetConveyorVelc(double conveyorVelc) {
    return m_robotConveyorTrack->setConveyorVelc(conveyorVelc);
}
int ServiceInterface::robotServiceSetEncoderValPerMeter(const uint32_t& encoderValPerMeter) {
    return m_robotConveyorTrack->setEncoderValPerMeter(encoderValPerMeter);
}
int ServiceInterface::robotServiceSetStartWindowUpstream(double startWindowUpstream) {
    return m_robotConveyorTrack->setStartWindowUpstream(startWindowUpstream);
}
int ServiceInterface::robotServiceSetStartWindowDownstream(double startWindowDownstream) {
    return m_robotConveyorTrack->setStartWindowDownstream(startWindowDownstream);
}
int ServiceInterface::robotServiceSetConveyorTrackDownstream(double trackDownstream) {
    return m_robotConveyorTrack->setConveyorTrackDownstream(trackDownstream);
}
int ServiceInterface::robotServiceAppendObject2ConveyorTrackQueue(const Pos& objectPos,
                                                                  const Ori& objectOri,
                                                                  uint32_t timestamp) {
    return m_robotConveyorTrack->appendObject2ConveyorTrackQueue(objectPos, objectOri, timestamp);
}
int ServiceInterface::robotServiceEnableConveyorTrack() {
    return m_robotConveyorTrack->enableConveyorTrack();
}
int ServiceInterface::robotServiceGetConveyorEncoderVal(int& value) {
    return m_robotConveyorTrack->getConveyorEncoderVal(value);
}
int ServiceInterface::robotServiceSetRobotConveyorTrackMaxVelc(double robotConveyorTrackMaxVelc) {
    return m_robotConveyorTrack->setRobotConveyorTrackMaxVelc(robotConveyorTrackMaxVelc);
}
int ServiceInterface::robotServiceSetRobotConveyorTrackMaxAcc(double robotConveyorTrackMaxAcc) {
    return m_robotConveyorTrack->setRobotConveyorTrackMaxAcc(robotConveyorTrackMaxAcc);
}
int ServiceInterface::robotServiceSetRobotConveyorSystemDelay(double robotConveyorSystemDelay) {
    return m_robotConveyorTrack->setRobotConveyorSystemDelay(robotConveyorSystemDelay);
}
int ServiceInterface::robotServiceSetRobotTool(const ToolInEndDesc& robotTool) {
    return m_robotConveyorTrack->setRobotTool(robotTool);
}

// ---- Recognition and seam tracking ---------------------------------------------------

int ServiceInterface::robotServiceSetRobotRecognitionParam(const RobotRecongnitionParam& param) {
    return m_robotOtherService->setRobotRecognitionParam(param);
}
int ServiceInterface::robotServiceGetRobotRecognitionParam(int type,
                                                           RobotRecongnitionParam& param) {
    return m_robotOtherService->getRobotRecognitionParam(type, param);
}
int ServiceInterface::robotServiceSetSeamTrackingParameters(const SeamTracking& seamTrack) {
    return m_robotOtherService->setSeamTrackingParameters(seamTrack);
}
int ServiceInterface::robotServiceGetSeamTrackingParameters(SeamTracking& seamTrack) {
    return m_robotOtherService->getSeamTrackingParameters(seamTrack);
}
