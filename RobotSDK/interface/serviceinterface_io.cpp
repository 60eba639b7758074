// The facade's input/output operations: each passes its arguments to the I/O
// service and returns its result. Names given as C strings are copied; a
// null name becomes the empty name, which no catalogue holds, so the service
// refuses it with its log line before anything is sent.
#include <string>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotioservice.h"

using namespace tevo_robot_namespace;

namespace {

std::string nameOf(const char* name) { return name != nullptr ? std::string(name) : std::string(); }

}  // namespace

// ---- Interface board -----------------------------------------------------------------

int ServiceInterface::robotServiceGetBoardIOConfig(const std::vector<RobotIoType>& typeVector,
                                                   std::vector<RobotIoDesc>& configVector) {
    return m_robotIoService->getBoardIOConfig(typeVector, configVector);
}
int ServiceInterface::robotServiceGetBoardIOStatus(const std::vector<RobotIoType>& typeVector,
                                                   std::vector<RobotIoDesc>& statusVector) {
    return m_robotIoService->getBoardIOStatus(typeVector, statusVector);
}
int ServiceInterface::robotServiceGetBoardIOStatus(RobotIoType type, const std::string& name,
                                                   double& value) {
    return m_robotIoService->getBoardIOStatus(type, name, value);
}
int ServiceInterface::robotServiceGetBoardIOStatus(RobotIoType type, const char* name,
                                                   double& value) {
    return m_robotIoService->getBoardIOStatus(type, nameOf(name), value);
}
int ServiceInterface::robotServiceGetBoardIOStatus(RobotIoType type, int addr, double& value) {
    return m_robotIoService->getBoardIOStatus(type, addr, value);
}
int ServiceInterface::robotServiceSetBoardIOStatus(RobotIoType type, const std::string& name,
                                                   double value) {
    return m_robotIoService->setBoardIOStatus(type, name, value);
}
int ServiceInterface::robotServiceSetBoardIOStatus(RobotIoType type, const char* name,
                                                   double value) {
    return m_robotIoService->setBoardIOStatus(type, nameOf(name), value);
}
int ServiceInterface::robotServiceSetBoardIOStatus(RobotIoType type, int addr, double value) {
    return m_robotIoService->setBoardIOStatus(type, addr, value);
}

// ---- Tool flange ------------------------------------------------------------------------

int ServiceInterface::robotServiceSetToolPowerVoltageType(ToolPowerType type) {
    return m_robotIoService->setToolPowerVoltageType(type);
}
int ServiceInterface::robotServiceGetToolPowerVoltageType(ToolPowerType& type) {
    return m_robotIoService->getToolPowerVoltageType(type);
}
int ServiceInterface::robotServiceSetToolDigitalIOType(ToolDigitalIOAddr addr, ToolIOType type) {
    return m_robotIoService->setToolDigitalIOType(addr, type);
}
int ServiceInterface::robotServiceGetToolPowerVoltageStatus(double& value) {
    return m_robotIoService->getToolPowerVoltageStatus(value);
}
int ServiceInterface::robotServiceSetToolPowerTypeAndDigitalIOType(ToolPowerType type,
                                                                   ToolIOType io0, ToolIOType io1,
                                                                   ToolIOType io2, ToolIOType io3) {
    return m_robotIoService->setToolPowerTypeAndDigitalIOType(type, io0, io1, io2, io3);
}
int ServiceInterface::robotServiceGetAllToolDigitalIOStatus(
    std::vector<RobotIoDesc>& statusVector) {
    return m_robotIoService->getAllToolDigitalIOStatus(statusVector);
}
int ServiceInterface::robotServiceGetToolIoStatus(const std::string& name, double& value) {
    return m_robotIoService->getToolIoStatusByName(name, value);
}
int ServiceInterface::robotServiceGetToolIoStatus(const char* name, double& value) {
    return m_robotIoService->getToolIoStatusByName(nameOf(name), value);
}
int ServiceInterface::robotServiceSetToolDOStatus(ToolDigitalIOAddr addr, IO_STATUS value) {
    return m_robotIoService->setToolDOStatus(addr, value);
}
int ServiceInterface::robotServiceSetToolDOStatus(const std::string& name, IO_STATUS value) {
    return m_robotIoService->setToolDOStatus(name, value);
}
int ServiceInterface::robotServiceSetToolDOStatus(const char* name, IO_STATUS value) {
    return m_robotIoService->setToolDOStatus(nameOf(name), value);
}
int ServiceInterface::robotServiceGetAllToolAIStatus(std::vector<RobotIoDesc>& statusVector) {
    return m_robotIoService->getAllToolAIStatus(statusVector);
}
