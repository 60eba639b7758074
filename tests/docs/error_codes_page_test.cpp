// docs/error-codes.md lists every result code an application can get: each
// RobotErrorCode enumerator, the handle interface's own codes and every
// controller code of kRobotControllerCodes, each in a table row of its value
// and name. The enumerators are read from the enumeration's text in
// TevoRobotMetaType.h (checked against the compiled constants), so that a code
// added, renamed or renumbered there fails here until the page follows.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TevoRobotControllerCodes.h"
#include "TevoRobotMetaType.h"
#include "handle/rsrobotcontrol.h"

namespace {

namespace trn = tevo_robot_namespace;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string& page() {
    static const std::string text = readFile(TEVO_SOURCE_DIR "/docs/error-codes.md");
    return text;
}

// Whether the page has a table row that starts with the value and the name.
bool pageHasRow(long value, const std::string& name) {
    const std::string row = "\n| " + std::to_string(value) + " | `" + name + "` |";
    return page().find(row) != std::string::npos;
}

// Name and value of every enumerator of RobotErrorCode, in declaration order.
std::vector<std::pair<std::string, long>> robotErrorCodes() {
    const std::string header = readFile(TEVO_SOURCE_DIR "/sdkcommon/MetaType/TevoRobotMetaType.h");
    const std::size_t begin = header.find("enum RobotErrorCode : int {");
    const std::size_t end = header.find("};", begin);
    if (begin == std::string::npos || end == std::string::npos) return {};
    const std::string body = header.substr(begin, end - begin);
    static const std::regex enumerator(R"((\w+) = (\d+),)");
    std::vector<std::pair<std::string, long>> codes;
    for (auto it = std::sregex_iterator(body.begin(), body.end(), enumerator);
         it != std::sregex_iterator(); ++it) {
        codes.emplace_back((*it)[1].str(), std::stol((*it)[2].str()));
    }
    return codes;
}

TEST(ErrorCodesPage, ListsEveryRobotErrorCode) {
    ASSERT_FALSE(page().empty()) << "docs/error-codes.md not found";
    const auto codes = robotErrorCodes();
    ASSERT_FALSE(codes.empty()) << "enum RobotErrorCode not found in TevoRobotMetaType.h";
    // The reading of the enumeration agrees with the compiled constants.
    const std::pair<std::string, long> known[] = {
        {"ErrnoSucc", trn::ErrnoSucc},
        {"ErrCode_RequestTimeout", trn::ErrCode_RequestTimeout},
        {"ErrCode_moveControlContinueFailed", trn::ErrCode_moveControlContinueFailed},
        {"ErrCodeArmPowerOff", trn::ErrCodeArmPowerOff},
    };
    for (const auto& code : known) {
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code.first;
    }
    for (const auto& [name, value] : codes) {
        EXPECT_TRUE(pageHasRow(value, name)) << "no row \"| " << value << " | `" << name << "` |\"";
    }
}

TEST(ErrorCodesPage, ListsTheHandleInterfaceCodes) {
    const std::pair<std::string, long> codes[] = {
        {"RS_ERR_TOO_MANY_CONTEXTS", RS_ERR_TOO_MANY_CONTEXTS},
        {"RS_ERR_NO_CONTEXT", RS_ERR_NO_CONTEXT},
        {"RS_ERR_OUT_OF_RANGE", RS_ERR_OUT_OF_RANGE},
    };
    for (const auto& [name, value] : codes) {
        EXPECT_TRUE(pageHasRow(value, name)) << name;
    }
}

TEST(ErrorCodesPage, ListsEveryControllerCode) {
    for (const trn::RobotControllerCodeInfo& row : trn::kRobotControllerCodes) {
        EXPECT_TRUE(pageHasRow(row.code, row.name)) << row.code << " " << row.name;
    }
}

}  // namespace
