// The waits and time-outs that the facade header documents are the ones the
// code uses. Each figure is read from the header's text (the threads text at
// its top, of which README.md carries a copy, and the comments above the
// members) and compared with the constant behind it, so that changing either
// alone fails here.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "RobotSDK/robotClient/robotcommunicationclient.h"
#include "RobotSDK/service/robotcontrolservices.h"

namespace {

using Core = RobotControlServices;
using Client = RobotCommunicationClient;

const char* const kHeaderPath = TEVO_SOURCE_DIR "/RobotSDK/interface/serviceinterface.h";

std::vector<std::string> headerLines() {
    std::ifstream in(kHeaderPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The lines between the BEGIN and END markers, "// " taken off.
std::vector<std::string> threadsText() {
    std::vector<std::string> text;
    bool inside = false;
    for (const std::string& line : headerLines()) {
        if (line.find("END threads-and-blocking text") != std::string::npos) break;
        if (inside) text.push_back(line.size() > 3 ? line.substr(3) : std::string());
        if (line.find("BEGIN threads-and-blocking text") != std::string::npos) inside = true;
    }
    return text;
}

// The list item of the threads text that contains `anchor` on its first line,
// its lines joined with single spaces; empty when there is none.
std::string itemWith(const std::string& anchor) {
    const std::vector<std::string> text = threadsText();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!startsWith(text[i], "- ") || text[i].find(anchor) == std::string::npos) continue;
        std::string item = text[i].substr(2);
        for (std::size_t j = i + 1; j < text.size() && startsWith(text[j], "  "); ++j) {
            item += " " + trimmed(text[j]);
        }
        return item;
    }
    return {};
}

// The comment directly above the declaration of `member`, its lines joined
// with single spaces; empty when the member or its comment is missing.
std::string commentAbove(const std::string& member) {
    const std::vector<std::string> lines = headerLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = trimmed(lines[i]);
        if (startsWith(line, "//") || line.find(" " + member + "(") == std::string::npos) continue;
        std::string comment;
        for (std::size_t j = i; j > 0 && startsWith(trimmed(lines[j - 1]), "//"); --j) {
            std::string text = trimmed(lines[j - 1]).substr(2);
            text += ' ';
            comment.insert(0, text);
        }
        return comment;
    }
    return {};
}

// Every figure in whole or decimal seconds ("60 s", "1.8 s"; not "150 ms"), in ms.
std::vector<int> secondsFigures(const std::string& text) {
    static const std::regex figure(R"((^|[^0-9.])([0-9]+(\.[0-9]+)?) s\b)");
    std::vector<int> msec;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), figure);
         it != std::sregex_iterator(); ++it) {
        msec.push_back(static_cast<int>(std::lround(std::stod((*it)[2].str()) * 1000)));
    }
    return msec;
}

// A duration as the documentation writes it: "0.2 s", "1.8 s", "60 s".
std::string seconds(int msec) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", msec / 1000.0);
    return text;
}

struct WaitCase {
    const char* name;
    bool inThreadsText;  // else the comment above the member
    const char* anchor;  // text on the item's first line, or the member's name
    std::vector<int> msec;
};

// Every figure in seconds that the passage gives must equal every constant of
// its row: a row with two constants documents two waits with one figure.
const std::vector<WaitCase> kWaits = {
    {"startup in the threads text",
     true,
     "`rootServiceRobotStartup` with",
     {Core::STARTUP_DONE_WAIT_MSEC}},
    {"shutdown and handshake in the threads text",
     true,
     "`robotServiceRobotShutdown` and `robotServiceRobotHandShake`",
     {Core::SHUTDOWN_DONE_WAIT_MSEC, Core::HANDSHAKE_WAIT_MSEC}},
    {"move control in the threads text",
     true,
     "`rootServiceRobotMoveControl`, `robotMoveStop`",
     {Core::MOVE_CONTROL_DONE_WAIT_MSEC}},
    {"response wait behind a push callback",
     true,
     "**Push callbacks**",
     {Core::WAIT_RESPONSE_MAX_TIME_MSEC}},
    {"startup member", false, "rootServiceRobotStartup", {Core::STARTUP_DONE_WAIT_MSEC}},
    {"shutdown member", false, "robotServiceRobotShutdown", {Core::SHUTDOWN_DONE_WAIT_MSEC}},
    {"handshake member", false, "robotServiceRobotHandShake", {Core::HANDSHAKE_WAIT_MSEC}},
    {"move control member",
     false,
     "rootServiceRobotMoveControl",
     {Core::MOVE_CONTROL_DONE_WAIT_MSEC}},
};

TEST(DocumentedWaits, WaitsMatchTheCoreConstants) {
    for (const WaitCase& row : kWaits) {
        SCOPED_TRACE(row.name);
        const std::string passage =
            row.inThreadsText ? itemWith(row.anchor) : commentAbove(row.anchor);
        ASSERT_FALSE(passage.empty()) << "no passage for " << row.anchor << " in " << kHeaderPath;
        const std::vector<int> figures = secondsFigures(passage);
        ASSERT_FALSE(figures.empty()) << "no figure in seconds in: " << passage;
        for (int figure : figures) {
            for (int constant : row.msec) {
                EXPECT_EQ(figure, constant) << "documented " << seconds(figure) << ", code waits "
                                            << seconds(constant) << ": " << passage;
            }
        }
    }
}

TEST(DocumentedWaits, RequestBoundMatchesTheSendAndResponseLimits) {
    const int perRequest = Client::SEND_DEADLINE_MSEC + Core::WAIT_RESPONSE_MAX_TIME_MSEC;
    const std::string item = itemWith("**Any operation that talks to the controller**");
    ASSERT_FALSE(item.empty());
    const std::string phrases[] = {
        "at most " + seconds(perRequest) + " per request",
        seconds(Client::SEND_DEADLINE_MSEC) + " to send it",
        "1 ms per " + std::to_string(Client::SEND_MIN_BYTES_PER_MSEC / 1024) + " KiB of body",
        "then " + seconds(Core::WAIT_RESPONSE_MAX_TIME_MSEC) + " for the response",
    };
    for (const std::string& phrase : phrases) {
        EXPECT_NE(item.find(phrase), std::string::npos) << "\"" << phrase << "\" not in: " << item;
    }

    // The members' comments that state the bound of a single request.
    std::string header;
    for (const std::string& line : headerLines()) header += trimmed(line) + "\n";
    static const std::regex oneRequest(R"(one request, at most ([0-9.]+) s)");
    int found = 0;
    for (auto it = std::sregex_iterator(header.begin(), header.end(), oneRequest);
         it != std::sregex_iterator(); ++it, ++found) {
        EXPECT_EQ(static_cast<int>(std::lround(std::stod((*it)[1].str()) * 1000)), perRequest)
            << (*it)[0].str();
    }
    EXPECT_GT(found, 0) << "no \"one request, at most N s\" left in " << kHeaderPath;
}

TEST(DocumentedWaits, SilentControllerBoundMatchesTheWaitLoop) {
    const std::string item = itemWith("**A controller that stops answering**");
    ASSERT_FALSE(item.empty());
    const std::string phrases[] = {
        "notice it within " + seconds(Core::SILENT_CONTROLLER_NOTICED_MSEC),
        "for " + seconds(Core::SILENCE_PROBE_MSEC) + " sends it a heartbeat",
        "at most one per " + seconds(Core::SILENCE_PROBE_MSEC),
        "after " + seconds(Core::SILENCE_GIVE_UP_MSEC) + " of silence it gives up",
    };
    for (const std::string& phrase : phrases) {
        EXPECT_NE(item.find(phrase), std::string::npos) << "\"" << phrase << "\" not in: " << item;
    }

    // The motion members' comment states the same bound and probe time.
    std::string motion;
    for (char c : commentAbove("robotServiceJointMove")) {
        if (c != ' ' || motion.empty() || motion.back() != ' ') motion += c;  // single spaces
    }
    const std::string motionPhrases[] = {
        "ErrCode_RequestTimeout within " + seconds(Core::SILENT_CONTROLLER_NOTICED_MSEC),
        "heartbeat after " + seconds(Core::SILENCE_PROBE_MSEC) + " of silence",
    };
    for (const std::string& phrase : motionPhrases) {
        EXPECT_NE(motion.find(phrase), std::string::npos)
            << "\"" << phrase << "\" not in: " << motion;
    }
}

TEST(DocumentedWaits, EventQueueBoundMatchesTheRing) {
    const std::string item = itemWith("**The event callback**");
    ASSERT_FALSE(item.empty());
    const std::string phrase = "Up to " + std::to_string(RobotEventQueue::QUEUE_SIZE) + " events";
    EXPECT_NE(item.find(phrase), std::string::npos) << "\"" << phrase << "\" not in: " << item;
}

}  // namespace
