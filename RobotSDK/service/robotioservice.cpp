// Interface-board and tool I/O: the catalogue, the checks against it, and the
// controller commands behind each read and write.

#include "RobotSDK/service/robotioservice.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

// A run of catalogue names: the prefix followed by a number counting up from
// firstNumber in step with the addresses from firstAddr.
struct NameRange {
    RobotIoType type;
    const char* prefix;
    int firstNumber;
    int count;
    int firstAddr;
};

// The interface board. Controller and user I/O of one direction share one
// address space on the wire (digital inputs 0..51, digital outputs 0..47).
const NameRange kBoardCatalogue[] = {
    {RobotBoardControllerDI, "SI0", 0, 8, 0},  {RobotBoardControllerDI, "SI1", 0, 8, 8},
    {RobotBoardControllerDI, "CI0", 0, 4, 16}, {RobotBoardControllerDI, "CI1", 0, 4, 20},
    {RobotBoardControllerDI, "LI0", 0, 6, 24}, {RobotBoardControllerDO, "SO0", 0, 8, 0},
    {RobotBoardControllerDO, "SO1", 0, 8, 8},  {RobotBoardControllerDO, "CO0", 0, 4, 16},
    {RobotBoardControllerDO, "CO1", 0, 4, 20}, {RobotBoardControllerDO, "LO0", 0, 4, 24},
    {RobotBoardUserDI, "F", 1, 6, 30},         {RobotBoardUserDI, "U_DI_0", 0, 8, 36},
    {RobotBoardUserDI, "U_DI_1", 0, 8, 44},    {RobotBoardUserDO, "U_DO_0", 0, 8, 32},
    {RobotBoardUserDO, "U_DO_1", 0, 8, 40},    {RobotBoardUserAI, "VI", 0, 4, 0},
    {RobotBoardUserAO, "VO", 0, 2, 0},         {RobotBoardUserAO, "CO", 0, 2, 2},
};
const NameRange kToolDigitalLines = {RobotToolDI, "T_DI/O_0", 0, 4, 0};
const NameRange kToolAnalogInputs = {RobotToolAI, "T_AI_0", 0, 2, 0};

void addNames(std::map<std::string, int>& names, const NameRange& range) {
    for (int i = 0; i < range.count; ++i) {
        names[range.prefix + std::to_string(range.firstNumber + i)] = range.firstAddr + i;
    }
}

// The four kinds of board list; a board type's kind is its value modulo 4.
enum BoardKind { kDigitalIn = 0, kDigitalOut = 1, kAnalogIn = 2, kAnalogOut = 3 };
BoardKind kindOf(RobotIoType type) { return static_cast<BoardKind>(static_cast<int>(type) % 4); }

bool isBoardOutput(RobotIoType type) {
    return type >= RobotBoardControllerDI && type <= RobotBoardUserAO &&
           (kindOf(type) == kDigitalOut || kindOf(type) == kAnalogOut);
}

// One list read from the controller, handed to use() only on success.
template <typename Desc, typename Use>
int readList(RobotControlServices& core, int (RobotControlServices::*read)(std::vector<Desc>&),
             Use use) {
    std::vector<Desc> list;
    const int ret = (core.*read)(list);
    if (ret == ErrnoSucc) use(list);
    return ret;
}

// A use() for readList that keeps the plain values, at the position of each
// address.
auto valuesInto(std::vector<double>& values) {
    return [&values](const auto& list) {
        for (const auto& d : list) values.push_back(static_cast<double>(d.value));
    };
}

// Appends one description per catalogue point, in name order.
template <typename ValueOf>
void appendPoints(RobotIoType type, const std::map<std::string, int>& points, ValueOf valueOf,
                  std::vector<RobotIoDesc>& out) {
    for (const auto& point : points) {
        RobotIoDesc desc;
        RobotIoService::initRobotIoDesc(desc, point.first.c_str(), type, point.first.c_str(),
                                        point.second, valueOf(point.second));
        out.push_back(desc);
    }
}

const RobotIoDesc* findByAddr(const std::vector<RobotIoDesc>& points, int addr) {
    for (const RobotIoDesc& p : points) {
        if (p.ioAddr == addr) return &p;
    }
    return nullptr;
}

const RobotIoDesc* findByName(const std::vector<RobotIoDesc>& points, const std::string& name) {
    for (const RobotIoDesc& p : points) {
        if (name == p.ioName) return &p;
    }
    return nullptr;
}

constexpr int kReadBackAttempts = 3;
constexpr std::chrono::milliseconds kReadBackInterval{150};

}  // namespace

RobotIoService::RobotIoService(RobotControlServices* p) : m_robotBaseService(p) {
    initToolIoConfig();
    initBoardIoConfig();
}

void RobotIoService::initRobotIoDesc(RobotIoDesc& desc, const char* id, RobotIoType type,
                                     const char* name, int addr, double value) {
    std::memset(&desc, 0, sizeof(desc));
    if (id != nullptr) std::strncpy(desc.ioId, id, sizeof(desc.ioId) - 1);
    if (name != nullptr) std::strncpy(desc.ioName, name, sizeof(desc.ioName) - 1);
    desc.ioType = type;
    desc.ioAddr = addr;
    desc.ioValue = value;
}

void RobotIoService::initToolIoConfig() {
    addNames(m_toolDiagnosisIONameAddrMaping, kToolDigitalLines);
    for (const auto& line : m_toolDiagnosisIONameAddrMaping) {
        m_toolDiagnosisIOAddrNameMaping[line.second] = line.first;
        m_toolDiagnosisIOAddrSet.insert(line.second);
    }
    addNames(m_toolAIMaping, kToolAnalogInputs);
}

void RobotIoService::initBoardIoConfig() {
    // Every board type has an entry; the controller's analog types stay empty.
    for (int t = RobotBoardControllerDI; t <= RobotBoardUserAO; ++t) {
        m_boardIOMaping[static_cast<RobotIoType>(t)];
    }
    for (const NameRange& range : kBoardCatalogue) addNames(m_boardIOMaping[range.type], range);
    for (const auto& type : m_boardIOMaping) {
        m_boardIoTypeSet.insert(type.first);
        std::set<int>& addrs = m_boardIOTypeAddrSetMaping[type.first];
        for (const auto& point : type.second) addrs.insert(point.second);
    }
}

const RobotIoService::NameAddrMap* RobotIoService::boardNames(RobotIoType type) const {
    const auto it = m_boardIOMaping.find(type);
    return it == m_boardIOMaping.end() ? nullptr : &it->second;
}

bool RobotIoService::boardHasAddress(RobotIoType type, int addr) const {
    const auto it = m_boardIOTypeAddrSetMaping.find(type);
    return it != m_boardIOTypeAddrSetMaping.end() && it->second.count(addr) != 0;
}

// ---- interface board ---------------------------------------------------------------

int RobotIoService::getBoardIOConfig(const std::vector<RobotIoType>& typeVector,
                                     std::vector<RobotIoDesc>& configVector) {
    configVector.clear();
    for (RobotIoType type : typeVector) {
        const NameAddrMap* points = boardNames(type);
        if (points == nullptr) {
            configVector.clear();
            RobotLogPrint::trace(LL_ERROR, "sdk log: Call getBoardIOConfig IO type error.");
            return ErrCode_ParamError;
        }
        appendPoints(
            type, *points, [](int) { return -1.0; }, configVector);
    }
    return ErrnoSucc;
}

int RobotIoService::getBoardIOStatus(const std::vector<RobotIoType>& typeVector,
                                     std::vector<RobotIoDesc>& statusVector) {
    statusVector.clear();
    // Checked before the board is read, so a bad request sends nothing.
    for (RobotIoType type : typeVector) {
        if (m_boardIoTypeSet.count(type) == 0) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: Call getBoardIOStatus RobotIoType not Exist.");
            return ErrCode_ParamError;
        }
    }
    // The whole board, one list per kind in the order DI, DO, AI, AO; the
    // first failure ends the read.
    using Core = RobotControlServices;
    const std::pair<int (Core::*)(std::vector<RobotDiagnosisIODesc>&), BoardKind> digital[] = {
        {&Core::getInterfaceBoardAllDIStatusService, kDigitalIn},
        {&Core::getInterfaceBoardAllDOStatusService, kDigitalOut}};
    const std::pair<int (Core::*)(std::vector<RobotAnalogIODesc>&), BoardKind> analog[] = {
        {&Core::getInterfaceBoardAllAIStatusService, kAnalogIn},
        {&Core::getInterfaceBoardAllAOStatusService, kAnalogOut}};
    std::vector<double> values[4];
    int ret = ErrnoSucc;
    for (const auto& read : digital) {
        if (ret != ErrnoSucc) break;
        ret = readList(*m_robotBaseService, read.first, valuesInto(values[read.second]));
    }
    for (const auto& read : analog) {
        if (ret != ErrnoSucc) break;
        ret = readList(*m_robotBaseService, read.first, valuesInto(values[read.second]));
    }
    if (ret != ErrnoSucc) return ret;

    for (RobotIoType type : typeVector) {
        const std::vector<double>& list = values[kindOf(type)];
        appendPoints(
            type, *boardNames(type),
            [&list](int addr) {
                return static_cast<size_t>(addr) < list.size() ? list[addr] : -1.0;
            },
            statusVector);
    }
    return ErrnoSucc;
}

int RobotIoService::getBoardIOStatus(RobotIoType type, const std::string& name, double& value) {
    const NameAddrMap* points = boardNames(type);
    if (points != nullptr) {
        const auto point = points->find(name);
        if (point != points->end()) return getBoardIOStatus(type, point->second, value);
    }
    RobotLogPrint::trace(LL_ERROR, "sdk log: Call getBoardIOStatus, type name mismatch.");
    return ErrCode_ParamError;
}

int RobotIoService::getBoardIOStatus(RobotIoType type, int addr, double& value) {
    if (!boardHasAddress(type, addr)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log:  Call getBoardIOStatus, type addr mismatch.");
        return ErrCode_ParamError;
    }
    RobotControlServices& core = *m_robotBaseService;
    const BoardKind kind = kindOf(type);
    if (kind == kAnalogIn) return core.getInterfaceBoardAIStatusService(addr, value);
    if (kind == kAnalogOut) return core.getInterfaceBoardAOStatusService(addr, value);
    IO_STATUS status = IO_STATUS_INVALID;
    const int ret = kind == kDigitalIn ? core.getInterfaceBoardDIStatusService(addr, status)
                                       : core.getInterfaceBoardDOStatusService(addr, status);
    if (ret == ErrnoSucc) value = status == IO_STATUS_INVALID ? 0.0 : 1.0;
    return ret;
}

int RobotIoService::setBoardIOStatus(RobotIoType type, const std::string& name, double value) {
    if (!isBoardOutput(type)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call setBoardIOStatus, type not exist.");
        return ErrCode_ParamError;
    }
    const NameAddrMap& points = *boardNames(type);
    const auto point = points.find(name);
    if (point == points.end()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call setBoardIOStatus, type addr mismatch.");
        return ErrCode_ParamError;
    }
    return setBoardIOStatus(type, point->second, value);
}

int RobotIoService::setBoardIOStatus(RobotIoType type, int addr, double value) {
    if (!isBoardOutput(type)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call setBoardIOStatusByaddr, type invalid.");
        return ErrCode_ParamError;
    }
    if (kindOf(type) == kDigitalOut) {
        if (!boardHasAddress(type, addr)) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: Call setBoardIOStatusByaddr DO, type addr mismatch.");
            return ErrCode_ParamError;
        }
        return m_robotBaseService->setInterfaceBoardDOStatusService(
            addr, value > 0.5 ? IO_STATUS_VALID : IO_STATUS_INVALID);
    }
    if (!boardHasAddress(type, addr)) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Call setBoardIOStatusByaddr AO,  type addr mismatch.");
        return ErrCode_ParamError;
    }
    // An analog output is a voltage or current on the wire: NaN or infinity
    // would reach the board as an arbitrary level.
    if (!std::isfinite(value)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call setBoardIOStatusByaddr AO, value invalid.");
        return ErrCode_ParamError;
    }
    return m_robotBaseService->setInterfaceBoardAOStatusService(addr, value);
}

// ---- tool flange --------------------------------------------------------------------

template <typename Check>
int RobotIoService::confirmToolSetting(int ret, const char* setting, Check check) {
    if (ret != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Setting %s failed. ret = %d", setting, ret);
        return ret;
    }
    // The controller applies a configuration some time after accepting it.
    for (int attempt = 1; attempt <= kReadBackAttempts; ++attempt) {
        std::this_thread::sleep_for(kReadBackInterval);
        if (check(attempt)) return ErrnoSucc;
    }
    return ErrCode_Failed;
}

bool RobotIoService::toolVoltageIs(ToolPowerType type, int attempt) {
    ToolPowerType current = OUT_0V;
    if (getToolPowerVoltageType(current) != ErrnoSucc) {
        RobotLogPrint::trace(LL_WARN, "sdk log: get tool voltage type failed, number times:%d",
                             attempt);
        return false;
    }
    if (current != type) {
        RobotLogPrint::trace(
            LL_WARN,
            "sdk log: Real-time tool voltage type does not match expectations, number times:%d",
            attempt);
        return false;
    }
    return true;
}

bool RobotIoService::toolLinesAre(const std::vector<ToolLineType>& wanted, int attempt) {
    std::vector<RobotIoDesc> lines;
    if (getAllToolDigitalIOStatus(lines) != ErrnoSucc) {
        RobotLogPrint::trace(LL_WARN, "sdk log: get tool digital io type failed, number times:%d",
                             attempt);
        return false;
    }
    bool allReported = true;
    bool matches = true;
    std::string current, target;
    for (const ToolLineType& want : wanted) {
        const RobotIoDesc* line = findByAddr(lines, want.addr);
        if (line == nullptr) {
            allReported = matches = false;
            continue;
        }
        const int type = static_cast<int>(line->ioType) - RobotToolDI;
        matches = matches && type == want.type;
        const char* gap = current.empty() ? "" : "  ";
        current += gap + ("io" + std::to_string(want.addr) + "-" + std::to_string(type));
        target += gap + ("io" + std::to_string(want.addr) + "-" + std::to_string(want.type));
    }
    if (matches) return true;
    RobotLogPrint::trace(
        LL_WARN,
        "sdk log: Real-time tool digital io type does not match expectations, number times:%d",
        attempt);
    if (allReported) {
        RobotLogPrint::trace(LL_WARN, "sdk log: Current state: %s", current.c_str());
        RobotLogPrint::trace(LL_WARN, "sdk log: target  state: %s", target.c_str());
    }
    return false;
}

int RobotIoService::setToolPowerVoltageType(ToolPowerType type) {
    return confirmToolSetting(m_robotBaseService->setToolPowerVoltageTypeService(type),
                              "tool voltage type",
                              [&](int attempt) { return toolVoltageIs(type, attempt); });
}

int RobotIoService::getToolPowerVoltageType(ToolPowerType& type) {
    return m_robotBaseService->getToolPowerVoltageTypeService(type);
}

int RobotIoService::getToolPowerVoltageStatus(double& value) {
    return m_robotBaseService->getToolPowerVoltageStatusService(value);
}

int RobotIoService::setToolDigitalIOType(ToolDigitalIOAddr addr, ToolIOType type) {
    if (m_toolDiagnosisIOAddrSet.count(addr) == 0) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: setToolDigitalIOType addr error.");
        return ErrCode_ParamError;
    }
    const std::vector<ToolLineType> wanted = {{addr, type}};
    return confirmToolSetting(m_robotBaseService->setToolDigitalIOTypeService(addr, type),
                              "tool digital io type",
                              [&](int attempt) { return toolLinesAre(wanted, attempt); });
}

int RobotIoService::setToolPowerTypeAndDigitalIOType(ToolPowerType type, ToolIOType io0,
                                                     ToolIOType io1, ToolIOType io2,
                                                     ToolIOType io3) {
    const std::vector<ToolLineType> wanted = {{0, io0}, {1, io1}, {2, io2}, {3, io3}};
    // The lines are read only once the voltage matches.
    return confirmToolSetting(
        m_robotBaseService->setToolPowerTypeAndDigitalIOTypeService(type, io0, io1, io2, io3),
        "tool voltage type and digital io type",
        [&](int attempt) { return toolVoltageIs(type, attempt) && toolLinesAre(wanted, attempt); });
}

int RobotIoService::getAllToolDigitalIOStatus(std::vector<RobotIoDesc>& statusVector) {
    statusVector.clear();
    return readList(*m_robotBaseService, &RobotControlServices::getToolAllDigitalIOStatusService,
                    [&](const std::vector<RobotDiagnosisIODesc>& lines) {
                        for (const RobotDiagnosisIODesc& line : lines) {
                            const auto name = m_toolDiagnosisIOAddrNameMaping.find(line.addr);
                            if (name == m_toolDiagnosisIOAddrNameMaping.end()) continue;
                            RobotIoDesc desc;
                            initRobotIoDesc(desc, name->second.c_str(),
                                            line.type != 0 ? RobotToolDO : RobotToolDI,
                                            name->second.c_str(), line.addr, line.value);
                            statusVector.push_back(desc);
                        }
                    });
}

// Each analog input is named by its position in the controller's list.
int RobotIoService::getAllToolAIStatus(std::vector<RobotIoDesc>& statusVector) {
    statusVector.clear();
    return readList(*m_robotBaseService, &RobotControlServices::getToolAllAIStatusService,
                    [&](const std::vector<RobotAnalogIODesc>& inputs) {
                        for (const auto& input : m_toolAIMaping) {
                            if (static_cast<size_t>(input.second) >= inputs.size()) continue;
                            const RobotAnalogIODesc& reported = inputs[input.second];
                            RobotIoDesc desc;
                            initRobotIoDesc(desc, input.first.c_str(), RobotToolAI,
                                            input.first.c_str(), reported.addr, reported.value);
                            statusVector.push_back(desc);
                        }
                    });
}

int RobotIoService::getToolIoStatusByName(const std::string& name, double& value) {
    int (RobotIoService::*readAll)(std::vector<RobotIoDesc>&) = nullptr;
    if (m_toolDiagnosisIONameAddrMaping.count(name) != 0) {
        readAll = &RobotIoService::getAllToolDigitalIOStatus;
    } else if (m_toolAIMaping.count(name) != 0) {
        readAll = &RobotIoService::getAllToolAIStatus;
    } else {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call getToolIoStatus name error.");
        return ErrCode_ParamError;
    }
    std::vector<RobotIoDesc> points;
    const int ret = (this->*readAll)(points);
    if (ret != ErrnoSucc) return ret;
    const RobotIoDesc* point = findByName(points, name);
    if (point == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Call getToolIoStatus, %s not reported.",
                             name.c_str());
        return ErrCode_Failed;
    }
    value = point->ioValue;
    return ErrnoSucc;
}

int RobotIoService::setToolDOStatus(ToolDigitalIOAddr addr, IO_STATUS value) {
    // The address travels as one byte: anything outside 0..3 would wrap onto
    // another line or an address the tool does not have.
    if (m_toolDiagnosisIOAddrSet.count(addr) == 0) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: setToolDOStatus addr error.");
        return ErrCode_ParamError;
    }
    return m_robotBaseService->setToolDigitalIOStatusService(addr, value);
}

int RobotIoService::setToolDOStatus(const std::string& name, IO_STATUS value) {
    const auto line = m_toolDiagnosisIONameAddrMaping.find(name);
    if (line == m_toolDiagnosisIONameAddrMaping.end()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: setToolDOStatus name not exist.");
        return ErrCode_ParamError;
    }
    return setToolDOStatus(static_cast<ToolDigitalIOAddr>(line->second), value);
}
