// The result codes a controller puts in its answers, with their texts.
//
// Every answer of the controller carries one of these codes (0 for success).
// The library maps each refusal to a library code (ErrCode_ResponseReturnError
// 10023, or ErrCode_RealRobotNoExist 10024 for code 4) and keeps the
// controller's own code and text for the calling thread:
// ServiceInterface::lastControllerRefusal() in C++, rs_last_controller_refusal()
// in C. Codes 0 to 4 are those of every controller; the codes from 100 up tell
// the kind of a refusal and are what the bundled controller simulator answers.
// A controller may answer with a code missing here: the library then keeps the
// code and the text the controller sent.
//
// Threads: constants and pure functions only; usable from any thread.
#ifndef TEVOROBOTCONTROLLERCODES_H
#define TEVOROBOTCONTROLLERCODES_H

#include <string>

namespace tevo_robot_namespace {

// The result code of a controller's answer.
enum RobotControlServerErrorCode {
    RobotResponseCode_SUCC = 0,                    // the request was carried out
    RobotResponseCode_RequestFormatError = 1,      // the request body could not be read
    RobotResponseCode_ProcessRequesFailed = 2,     // the request failed for another reason
    RobotResponseCode_ConnectBreak = 3,            // the controller lost the arm's bus
    RobotResponseCode_RealRobotNoExist = 4,        // no real arm is attached
    RobotResponseCode_NotLoggedIn = 100,           // the connection has not logged in
    RobotResponseCode_AuthenticationFailed = 101,  // user name or password refused
    RobotResponseCode_ArmNotStarted = 102,         // the arm is not powered and started
    RobotResponseCode_BrakeEngaged = 103,          // the brakes are engaged
    RobotResponseCode_JointOutOfRange = 104,       // a joint target outside its range
    RobotResponseCode_PoseUnreachable = 105,       // no joint angles reach the target pose
    RobotResponseCode_InvalidValue = 106,          // a value outside what the controller accepts
    RobotResponseCode_Busy = 107,                  // another move or track is running
    RobotResponseCode_UnknownCommand = 108,        // a command the controller does not know
    RobotResponseCode_NoMotion = 109               // no move to stop, pause or continue
};

// One row of the table of controller codes.
struct RobotControllerCodeInfo {
    int code;          // RobotControlServerErrorCode value
    const char* name;  // the enumerator's name without its prefix
    const char* text;  // what the code means, as a sentence fragment
};

// Every code above with its text: the one table the library and the
// simulator take their texts from.
inline constexpr RobotControllerCodeInfo kRobotControllerCodes[] = {
    {RobotResponseCode_SUCC, "SUCC", "success"},
    {RobotResponseCode_RequestFormatError, "RequestFormatError",
     "the request could not be read (malformed body or a missing field)"},
    {RobotResponseCode_ProcessRequesFailed, "ProcessRequesFailed",
     "the controller could not carry out the request"},
    {RobotResponseCode_ConnectBreak, "ConnectBreak",
     "the controller lost its connection to the arm"},
    {RobotResponseCode_RealRobotNoExist, "RealRobotNoExist", "no real arm is attached"},
    {RobotResponseCode_NotLoggedIn, "NotLoggedIn", "the connection has not logged in"},
    {RobotResponseCode_AuthenticationFailed, "AuthenticationFailed",
     "the user name or password was refused"},
    {RobotResponseCode_ArmNotStarted, "ArmNotStarted",
     "the arm is not started (power it on and start it up first)"},
    {RobotResponseCode_BrakeEngaged, "BrakeEngaged", "the brakes are engaged (release them first)"},
    {RobotResponseCode_JointOutOfRange, "JointOutOfRange",
     "a joint target is outside the joint's range of motion"},
    {RobotResponseCode_PoseUnreachable, "PoseUnreachable", "no joint angles reach the target pose"},
    {RobotResponseCode_InvalidValue, "InvalidValue",
     "a value is outside the range the controller accepts"},
    {RobotResponseCode_Busy, "Busy", "the arm is busy with another move or track"},
    {RobotResponseCode_UnknownCommand, "UnknownCommand",
     "the controller does not know the command"},
    {RobotResponseCode_NoMotion, "NoMotion", "no move is running or paused"},
};

// The row of code, or null for a code missing from the table.
inline const RobotControllerCodeInfo* findRobotControllerCode(int code) {
    for (const RobotControllerCodeInfo& row : kRobotControllerCodes) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

// The text of code, or "" for a code missing from the table.
inline const char* robotControllerCodeText(int code) {
    const RobotControllerCodeInfo* row = findRobotControllerCode(code);
    return row != nullptr ? row->text : "";
}

// The last refusal by a controller of a request made on one thread.
struct ControllerRefusal {
    int commandType = -1;    // the command's number on the wire; -1: no refusal kept
    std::string command;     // the command's name ("RobotMove", "Login", ...)
    int controllerCode = 0;  // RobotControlServerErrorCode or the controller's own
    // The controller's reason: the text it sent, else the table's text for
    // the code, else "controller code N".
    std::string text;
};

}  // namespace tevo_robot_namespace

#endif  // TEVOROBOTCONTROLLERCODES_H
