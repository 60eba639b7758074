#ifndef TESTS_KINEMATICS_LOGCAPTURE_H
#define TESTS_KINEMATICS_LOGCAPTURE_H

// Publishes a log sink for the lifetime of the object and records every line.

#include <string>
#include <utility>
#include <vector>

#include "RobotSDK/util/trace/robotlogprint.h"

class LogCapture {
public:
    LogCapture() { m_sink.registerRobotLogPrintCallback(&LogCapture::record, this); }

    bool contains(int level, const std::string& text) const {
        for (const auto& line : lines) {
            if (line.first == level && line.second == text) return true;
        }
        return false;
    }

    std::vector<std::pair<int, std::string>> lines;

private:
    static void record(int level, const char* text, void* arg) {
        static_cast<LogCapture*>(arg)->lines.emplace_back(level, text);
    }

    RobotLogPrint m_sink;
};

#endif  // TESTS_KINEMATICS_LOGCAPTURE_H
