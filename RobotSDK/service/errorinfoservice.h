#ifndef ROBOTSDK_SERVICE_ERRORINFOSERVICE_H
#define ROBOTSDK_SERVICE_ERRORINFOSERVICE_H

// Short English texts for the library's result codes: every enumerator of
// RobotErrorCode and the handle interface's codes 1001 to 1003 has one. The
// codes of a blocking move that ended on an event say what ended it.
//
// Threads: every member may be called from any thread at any time. The
// process-wide table is filled exactly once (guarded by a once-flag, so two
// threads making their first lookup together both see the full table) and is
// only read afterwards. No lock is held after the table is built.

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "TevoRobotMetaType.h"

class ErrorInfoService {
public:
    // Builds the table if no lookup has done so yet.
    ErrorInfoService();

    // Fills the table with the text of every code and sets the flag. The table's content is fixed,
    // so once it has been filled later calls leave it untouched instead of rebuilding it under
    // readers.
    static void initErrInfoDescMaping();

    // The text of code, or the empty string for a value that is no code the
    // library returns. Never fails, never logs.
    static std::string getErrDescByCode(tevo_robot_namespace::RobotErrorCode code);

private:
    static std::map<tevo_robot_namespace::RobotErrorCode, std::string> S_errInfoDescMaping;
    static std::atomic<bool> S_isInitInfoDescMaping;
    static std::once_flag S_initOnce;
};

#endif  // ROBOTSDK_SERVICE_ERRORINFOSERVICE_H
