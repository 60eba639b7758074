// Connecting: host names, and the causes of a failed login or request each
// told apart by result code and log line.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "coretestsupport.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;

class ConnectTest : public CoreSimTest {};

// A loopback port that nothing listens on: bound to an ephemeral port, then
// closed again.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

// Both ends take a host name: the simulator listens on "localhost" and the
// login connects to it by name.
TEST_F(ConnectTest, LoginToLocalhostResolvesTheName) {
    tevo_sim::SimOptions options = simOptions();
    options.host = "localhost";
    tevo_sim::ControllerSim byName(options);
    ASSERT_TRUE(byName.start());
    ObservedCore other;
    RobotType type{};
    RobotDhPara dh{};
    ASSERT_EQ(other.loginService("localhost", byName.port(), simUser(), simPassword(), type, dh),
              ErrnoSucc);
    RobotWorkMode mode{};
    EXPECT_EQ(other.getRobotWorkModeService(mode), ErrnoSucc);
    EXPECT_EQ(byName.requestCount(tevo_sim::GetRobotMode), 1u);
    EXPECT_EQ(other.logoutService(), 0);

    options.host = "no-such-controller.invalid";
    tevo_sim::ControllerSim badName(options);
    EXPECT_FALSE(badName.start());
}

// Each failed login gives the cause's code and a line naming it, next to the
// login's own failure line.
TEST_F(ConnectTest, FailedLoginNamesItsCause) {
    const int refusedPort = closedPort();
    ASSERT_GT(refusedPort, 0);
    const std::string port = std::to_string(simPort());
    struct Row {
        const char* name;
        std::string host;
        int port;
        const char* password;
        int expected;
        std::vector<std::string> logLines;
    };
    const Row rows[] = {
        {"nothing listens",
         "127.0.0.1",
         refusedPort,
         simPassword(),
         ErrCode_ConnectSocketFailed,
         {"sdk log: Login service connect server failed.",
          "Connect to 127.0.0.1:" + std::to_string(refusedPort) +
              " (127.0.0.1) failed: " + std::generic_category().message(ECONNREFUSED)}},
        {"name does not resolve",
         "no-such-controller.invalid",
         simPort(),
         simPassword(),
         ErrCode_ParamError,
         {"sdk log: Login service connect server failed.",
          "Bad server address no-such-controller.invalid:" + port}},
        {"empty host",
         "",
         simPort(),
         simPassword(),
         ErrCode_ParamError,
         {"Bad server address :" + port}},
        {"not an IPv4 address",
         "::1",
         simPort(),
         simPassword(),
         ErrCode_ParamError,
         {"Bad server address ::1:" + port}},
        {"controller refuses the login",
         "127.0.0.1",
         simPort(),
         "wrong",
         ErrCode_Failed,
         {"sdk log: login failed.", "The controller refused the login of user 'tevo'."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        ObservedCore other;
        RobotType type{};
        RobotDhPara dh{};
        EXPECT_EQ(other.loginService(row.host.c_str(), row.port, simUser(), row.password, type, dh),
                  row.expected);
        EXPECT_FALSE(other.getCurrentConnectStatus());
        for (const std::string& line : row.logLines) {
            EXPECT_EQ(log.levelOf(line), LL_ERROR) << line;
        }
    }
}

TEST_F(ConnectTest, SecondLoginOnAConnectedCoreKeepsTheConnection) {
    RobotType type{};
    RobotDhPara dh{};
    EXPECT_EQ(core().loginService("localhost", simPort(), simUser(), simPassword(), type, dh),
              ErrCode_ConnectSocketFailed);
    EXPECT_EQ(log_.levelOf("Already connected to 127.0.0.1:" + std::to_string(simPort()) +
                           "; the connection is kept."),
              LL_ERROR);
    EXPECT_TRUE(core().getCurrentConnectStatus());
    RobotWorkMode mode{};
    EXPECT_EQ(core().getRobotWorkModeService(mode), ErrnoSucc);
}

TEST_F(ConnectTest, RequestWithoutLoginSaysSo) {
    ObservedCore other;
    RobotWorkMode mode{};
    EXPECT_EQ(other.getRobotWorkModeService(mode), ErrCode_SocketDisconnect);
    EXPECT_EQ(log_.levelOf("sdk log: Current connect disconnect."), LL_ERROR);
    EXPECT_EQ(log_.levelOf("sdk log: Not logged in: no connection to a controller, request not "
                           "sent. cmd type: 34"),
              LL_ERROR);
}

}  // namespace
}  // namespace core_test
