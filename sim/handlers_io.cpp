// Interface-board and tool I/O. The board has digital inputs 0..51, outputs
// 0..47 and four analog inputs and outputs; the tool has a switchable supply
// that takes effect after a delay, four digital lines and two analog inputs.
#include <cmath>

#include "sim/handlerutil.h"

namespace tevo_sim {

// ------------------------------------------------------------- board I/O

namespace {

uint32_t boardDigitalType(bool output, uint32_t addr) {
    // Controller I/O first, user I/O after (input 30.., output 32..).
    if (output) return addr >= 32 ? 5 : 1;
    return addr >= 30 ? 4 : 0;
}

void replyDigitalList(RequestCtx& c, const uint32_t* values, uint32_t count, bool output) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < count; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(boardDigitalType(output, a));
        d->set_value(values[a]);
    }
}

void replyAnalogList(RequestCtx& c, const float* values, uint32_t count, uint32_t type) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < count; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(type);
        d->set_value(values[a]);
    }
}

}  // namespace

void handleAllDI(SimCore&, ArmState& arm, RequestCtx& c) { replyDigitalList(c, arm.di, 52, false); }
void handleAllDO(SimCore&, ArmState& arm, RequestCtx& c) {
    replyDigitalList(c, arm.dout, 48, true);
}
void handleAllAI(SimCore&, ArmState& arm, RequestCtx& c) { replyAnalogList(c, arm.ai, 4, 6); }
void handleAllAO(SimCore&, ArmState& arm, RequestCtx& c) { replyAnalogList(c, arm.ao, 4, 7); }

void handleOneDigital(SimCore&, ArmState& arm, RequestCtx& c) {
    const bool output = c.cmd == GetInterfaceBoardOneDOStatus;
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    const uint32_t count = output ? 48 : 52;
    for (const auto& in : req.iodesc()) {
        if (in.addr() >= count) {
            refuse(c, checkIntRange(output ? "digital output address" : "digital input address",
                                    in.addr(), 0, count - 1));
            r.clear_iodesc();
            return;
        }
        auto* d = r.add_iodesc();
        d->set_addr(in.addr());
        d->set_type(boardDigitalType(output, in.addr()));
        d->set_value(output ? arm.dout[in.addr()] : arm.di[in.addr()]);
    }
}

void handleOneAnalog(SimCore&, ArmState& arm, RequestCtx& c) {
    const bool output = c.cmd == GetInterfaceBoardOneAOStatus;
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    pbm::ProtoCommunicationRobotAnalogIOData req;
    if (!parse(c, req)) return;
    for (const auto& in : req.iodesc()) {
        if (in.addr() >= 4) {
            refuse(c, checkIntRange(output ? "analog output address" : "analog input address",
                                    in.addr(), 0, 3));
            r.clear_iodesc();
            return;
        }
        auto* d = r.add_iodesc();
        d->set_addr(in.addr());
        d->set_type(output ? 7 : 6);
        d->set_value(output ? arm.ao[in.addr()] : arm.ai[in.addr()]);
    }
}

void handleSetDO(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    for (const auto& d : req.iodesc())
        if (d.addr() >= 48) {
            refuse(c, checkIntRange("digital output address", d.addr(), 0, 47));
            return;
        }
    if (!c.applyState) return;
    for (const auto& d : req.iodesc()) arm.dout[d.addr()] = d.value() ? 1 : 0;
}

void handleSetAO(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotAnalogIOData req;
    if (!parse(c, req)) return;
    for (const auto& d : req.iodesc()) {
        if (d.addr() >= 4) {
            refuse(c, checkIntRange("analog output address", d.addr(), 0, 3));
            return;
        }
        if (!std::isfinite(d.value())) {
            refuse(c, CodeInvalidValue,
                   "analog output " + std::to_string(d.addr()) + " value " + fmt2(d.value()) +
                       " is not finite");
            return;
        }
    }
    if (!c.applyState) return;
    for (const auto& d : req.iodesc()) arm.ao[d.addr()] = d.value();
}

// --------------------------------------------------------------- tool I/O

void settleToolPower(ArmState& arm) {
    if (arm.toolPowerPending && std::chrono::steady_clock::now() >= arm.toolPowerDue) {
        arm.toolPowerType = *arm.toolPowerPending;
        arm.toolPowerPending.reset();
    }
}

namespace {

void replyOneDigital(RequestCtx& c, uint32_t value) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    auto* d = r.add_iodesc();
    d->set_addr(0);
    d->set_type(0);
    d->set_value(value);
}

uint32_t toolVoltage(uint32_t powerType) { return powerType == 1 ? 12 : powerType == 2 ? 24 : 0; }

void setToolPower(ArmState& arm, uint32_t type) {
    settleToolPower(arm);
    if (arm.toolPowerDelay.count() <= 0) {
        arm.toolPowerType = type;
        arm.toolPowerPending.reset();
        return;
    }
    arm.toolPowerPending = type;
    arm.toolPowerDue = std::chrono::steady_clock::now() + arm.toolPowerDelay;
}

// Applies tool settings from digital descriptors; `power` says whether entry
// 0 is the supply type, `field` which tool-line property the rest set.
enum class ToolField { Direction, Level };

void applyToolDescs(ArmState& arm, RequestCtx& c, bool power, bool lines, ToolField field) {
    common(c);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    int first = 0;
    if (power) {
        if (req.iodesc_size() < 1) {
            refuse(c, CodeRequestFormatError, "the tool supply type is missing");
            return;
        }
        if (Refusal r = checkIntRange("tool supply type", req.iodesc(0).value(), 0, 2)) {
            refuse(c, std::move(r));
            return;
        }
        first = 1;
    }
    const char* what = field == ToolField::Direction ? " direction" : " level";
    for (int i = first; lines && i < req.iodesc_size(); ++i) {
        const auto& d = req.iodesc(i);
        Refusal r = checkIntRange("tool line", d.addr(), 0, 3);
        if (!r) r = checkIntRange("tool line " + std::to_string(d.addr()) + what, d.value(), 0, 1);
        if (r) {
            refuse(c, std::move(r));
            return;
        }
    }
    if (!c.applyState) return;
    if (power) setToolPower(arm, req.iodesc(0).value());
    for (int i = first; lines && i < req.iodesc_size(); ++i) {
        const auto& d = req.iodesc(i);
        (field == ToolField::Direction ? arm.toolIoType : arm.toolIoLevel)[d.addr()] = d.value();
    }
}

}  // namespace

void handleGetToolPowerType(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    replyOneDigital(c, arm.toolPowerType);
}
void handleGetToolVoltage(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    replyOneDigital(c, toolVoltage(arm.toolPowerType));
}

void handleSetToolPowerType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, true, false, ToolField::Direction);
}
void handleSetToolPowerAndIoType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, true, true, ToolField::Direction);
}
void handleSetToolIoType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, false, true, ToolField::Direction);
}
void handleSetToolIoLevel(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, false, true, ToolField::Level);
}

void handleToolAllDigital(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < 4; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(arm.toolIoType[a]);
        d->set_value(arm.toolIoLevel[a]);
    }
}

void handleToolAllAI(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < 2; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(10);
        d->set_value(static_cast<float>(arm.toolAi[a]));
    }
}

void handleToolAllIo(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    auto* s =
        makeReply<pbm::ProtoCommunicationToolAllIOStatusInfoResponse>(c).mutable_tooliostatus();
    s->set_powertype(arm.toolPowerType);
    s->set_systemvoltage(toolVoltage(arm.toolPowerType));
    s->set_systemtemperature(30.0);
    s->set_errorstatus(0);
    for (int a = 0; a < 4; ++a) {
        auto* d = s->add_digitaliostatus();
        d->set_iotype(arm.toolIoType[a]);
        d->set_iodata(arm.toolIoLevel[a]);
    }
    for (double v : arm.toolAi) s->add_aidata(v);
}

}  // namespace tevo_sim
