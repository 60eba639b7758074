// Connection supervision: the reconnect policy of a ServiceInterface and the
// events that tell the application what became of its link
// (ServiceInterface::robotServiceSetReconnectPolicy).
#ifndef TEVO_ROBOT_CONNECTION_H
#define TEVO_ROBOT_CONNECTION_H

#include <cstdint>

namespace tevo_robot_namespace {

// How a supervised connection logs in again after its link was lost: the
// first attempt after initialDelaySec, each later one backoffFactor times
// later than the one before, at most maxDelaySec apart, until it succeeds or
// giveUpAfterSec have passed since the link was lost (0: never give up).
struct ReconnectPolicy {
    // Seconds from the loss to the first attempt, 0.01 to 60.
    double initialDelaySec = 0.2;
    // Growth of the delay between attempts, 1 to 10.
    double backoffFactor = 2.0;
    // Largest delay between attempts, seconds, initialDelaySec to 600.
    double maxDelaySec = 5.0;
    // Seconds after the loss when it gives up, 0 (never) or 0.1 to 86400.
    double giveUpAfterSec = 0.0;
    // A connected link on which nothing has come from the controller for this
    // many seconds is taken as lost (a heartbeat probes it first), 1 to 60.
    double silenceSec = 3.0;
};

// What a connection event reports.
enum ConnectionEventKind : int32_t {
    ConnectionLinkLost = 1,      // the link was lost; reason says how
    ConnectionReconnecting = 2,  // an attempt to log in again starts; attempt counts from 1
    ConnectionReconnected = 3,   // logged in again; the pushes are switched on again
    ConnectionGaveUp = 4         // no more attempts (giveUpAfterSec passed)
};

// How a link was lost.
enum LinkLossReason : int32_t {
    LinkLossNone = 0,    // not a link-lost event
    LinkLossClosed = 1,  // the controller closed the connection
    LinkLossReset = 2,   // the connection was reset or failed (a socket error)
    LinkLossSilent = 3   // nothing came from the controller for silenceSec
};

// One connection event, handed to the connection event callback.
struct ConnectionEvent {
    // What happened.
    ConnectionEventKind kind;
    // How the link was lost (ConnectionLinkLost only, else LinkLossNone).
    LinkLossReason reason;
    // The attempt number (ConnectionReconnecting, ConnectionReconnected,
    // ConnectionGaveUp: the attempts made so far), else 0.
    int32_t attempt;
    // Seconds since the link was lost (0 for ConnectionLinkLost).
    double sinceLossSec;
    // A sentence for a log, NUL-terminated.
    char text[160];
};

}  // namespace tevo_robot_namespace

// The connection event callback: called on the supervisor's thread, one event
// at a time, never under a library lock; it may make requests.
typedef void (*ConnectionEventCallback)(const tevo_robot_namespace::ConnectionEvent* event,
                                        void* arg);

#endif  // TEVO_ROBOT_CONNECTION_H
