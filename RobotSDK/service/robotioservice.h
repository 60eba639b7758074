#ifndef ROBOTIOSERVICE_H
#define ROBOTIOSERVICE_H

// Input/output by name and by address: the fixed catalogue of the interface
// board's and the tool flange's I/O points, the check of every request
// against it, and the controller commands that read and write them.
//
// Names and addresses. Board points are addressed within their type
// (RobotIoType 0..7) by a name such as "U_DO_03" or by its number on the wire
// (user DO "U_DO_00".."U_DO_17" = 32..47, user DI "F1".."F6" = 30..35 and
// "U_DI_00".."U_DI_17" = 36..51, controller DI "SI00".."LI05" = 0..29,
// controller DO "SO00".."LO03" = 0..27, user AI "VI0".."VI3" = 0..3, user AO
// "VO0", "VO1", "CO0", "CO1" = 0..3). The tool has four digital lines
// "T_DI/O_00".."T_DI/O_03" (0..3), each an input or an output, and two analog
// inputs "T_AI_00", "T_AI_01". Listings come out ordered by name. A request
// outside the catalogue is logged and refused with ErrCode_ParamError before
// anything is sent; a controller failure comes back unchanged.
//
// Threads
//   - Application threads: every member, any number at once. The catalogue is
//     built by the constructor and only read afterwards, so the service has
//     no lock and no thread of its own. Each command goes through the control
//     core's request engine (robotcontrolservices.h).
//
// Blocking. Each read or write is one request of at most 1.8 s; the board
// list read is four. The three tool configuration setters then read the
// configuration back, 150 ms after the command and up to twice more 150 ms
// apart, until the controller reports it (ErrCode_Failed when it never
// does): about 0.45 s plus the reads at most.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "TevoRobotMetaType.h"

class RobotControlServices;

class RobotIoService {
public:
    // Keeps the control core (not owned) and builds the catalogue.
    explicit RobotIoService(RobotControlServices* p);

    RobotIoService(const RobotIoService&) = delete;
    RobotIoService& operator=(const RobotIoService&) = delete;

    // Zeroes desc, copies at most 31 characters of id and name (a null text
    // is taken as empty), sets type, address and value.
    static void initRobotIoDesc(tevo_robot_namespace::RobotIoDesc& desc, const char* id,
                                tevo_robot_namespace::RobotIoType type, const char* name, int addr,
                                double value);

    // ---- interface board ---------------------------------------------------
    // The catalogue points of each type in order, each with value -1; no
    // request. A type that is not a board type empties the list and is
    // refused.
    int getBoardIOConfig(const std::vector<tevo_robot_namespace::RobotIoType>& typeVector,
                         std::vector<tevo_robot_namespace::RobotIoDesc>& configVector);
    // Reads the whole board (four requests) and lists the points of each type
    // with their values (-1 for a point beyond the controller's list). Types
    // are checked before anything is sent; on any failure the list is empty.
    int getBoardIOStatus(const std::vector<tevo_robot_namespace::RobotIoType>& typeVector,
                         std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);
    // One point; digital values are 0 or 1. value is written only on success.
    int getBoardIOStatus(tevo_robot_namespace::RobotIoType type, const std::string& name,
                         double& value);
    int getBoardIOStatus(tevo_robot_namespace::RobotIoType type, int addr, double& value);
    // Output types only (controller and user DO and AO). A digital output is
    // switched on by a value above 0.5; an analog value must be finite.
    int setBoardIOStatus(tevo_robot_namespace::RobotIoType type, const std::string& name,
                         double value);
    int setBoardIOStatus(tevo_robot_namespace::RobotIoType type, int addr, double value);

    // ---- tool flange -------------------------------------------------------
    // The three configuration setters send the command, then read the state
    // back until it matches (see Blocking above).
    int setToolPowerVoltageType(tevo_robot_namespace::ToolPowerType type);
    int getToolPowerVoltageType(tevo_robot_namespace::ToolPowerType& type);
    // The supply's voltage status as the controller reports it.
    int getToolPowerVoltageStatus(double& value);
    int setToolDigitalIOType(tevo_robot_namespace::ToolDigitalIOAddr addr,
                             tevo_robot_namespace::ToolIOType type);
    int setToolPowerTypeAndDigitalIOType(tevo_robot_namespace::ToolPowerType type,
                                         tevo_robot_namespace::ToolIOType io0,
                                         tevo_robot_namespace::ToolIOType io1,
                                         tevo_robot_namespace::ToolIOType io2,
                                         tevo_robot_namespace::ToolIOType io3);
    // The digital lines the controller reports, in its order: RobotToolDO for
    // a line configured as output, RobotToolDI for an input.
    int getAllToolDigitalIOStatus(std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);
    // The two analog inputs, "T_AI_00" then "T_AI_01".
    int getAllToolAIStatus(std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);
    // The value of one digital line or analog input by name. ErrCode_Failed
    // when the controller's reply does not include that point.
    int getToolIoStatusByName(const std::string& name, double& value);
    // Sets the level of a digital line (configured as output).
    int setToolDOStatus(tevo_robot_namespace::ToolDigitalIOAddr addr,
                        tevo_robot_namespace::IO_STATUS value);
    int setToolDOStatus(const std::string& name, tevo_robot_namespace::IO_STATUS value);

private:
    using NameAddrMap = std::map<std::string, int>;

    // One wanted direction of a tool digital line.
    struct ToolLineType {
        int addr;
        tevo_robot_namespace::ToolIOType type;
    };

    void initToolIoConfig();
    void initBoardIoConfig();

    // The name-to-address map of a board type, or nullptr for a type that is
    // not on the board.
    const NameAddrMap* boardNames(tevo_robot_namespace::RobotIoType type) const;
    bool boardHasAddress(tevo_robot_namespace::RobotIoType type, int addr) const;

    // The read-back after a tool configuration command: ret is the command's
    // result (logged with the setting's name and returned when it failed);
    // then up to three checks 150 ms apart. Each check logs its own mismatch.
    template <typename Check>
    int confirmToolSetting(int ret, const char* setting, Check check);
    bool toolVoltageIs(tevo_robot_namespace::ToolPowerType type, int attempt);
    bool toolLinesAre(const std::vector<ToolLineType>& wanted, int attempt);

    // Interface board.
    std::set<tevo_robot_namespace::RobotIoType> m_boardIoTypeSet;
    std::map<tevo_robot_namespace::RobotIoType, NameAddrMap> m_boardIOMaping;
    std::map<tevo_robot_namespace::RobotIoType, std::set<int>> m_boardIOTypeAddrSetMaping;

    // Tool flange.
    NameAddrMap m_toolDiagnosisIONameAddrMaping;
    std::map<int, std::string> m_toolDiagnosisIOAddrNameMaping;
    NameAddrMap m_toolAIMaping;
    std::set<int> m_toolDiagnosisIOAddrSet;

    RobotControlServices* m_robotBaseService;
};

#endif  // ROBOTIOSERVICE_H
