#ifndef SERVICEINTERFACE_H
#define SERVICEINTERFACE_H

// ServiceInterface: the object an application holds, one per robot controller.
//
// Create it, log in (robotServiceLogin), call operations, log out, destroy it.
// Every operation returns 0 or a RobotErrorCode unless its comment says
// otherwise; none throws.
//
// BEGIN threads-and-blocking text (README.md carries a copy: tests/docs/threads_text.cmake)
// ### The library's threads
//
// Each `ServiceInterface` runs two threads of its own besides the application's, and a third
// while its link is supervised:
//
// - the **receive thread**, from a successful `robotServiceLogin` until `robotServiceLogout`, the
//   controller closing the connection, or destruction. It reads every frame from the controller,
//   hands each response to the caller waiting for it, calls the push callbacks (joint status,
//   waypoint, end speed, move progress) and completes the waits of start-up, shut-down,
//   handshake, stop, pause, continue and blocking moves;
// - the **event thread**, from construction until destruction. It is the only thread that calls
//   the robot-event callback, one event at a time, in arrival order;
// - the **supervisor thread**, while a reconnect policy is set (`robotServiceSetReconnectPolicy`)
//   and a login has succeeded, until `robotServiceLogout`, a null policy or destruction. It
//   watches the link, logs in again after a loss and calls the connection event callback.
//
// Your own threads call the operations. Without a reconnect policy nothing reconnects by itself:
// a lost connection shows up as the event `RobotEvent_socketDisconnected` and as failed requests
// (`ErrCode_SocketDisconnect`), and heartbeats are sent only by a blocking wait (see below).
//
// ### Connection supervision
//
// With a policy set, the supervisor thread looks at the link every 250 ms. The link is lost when
// the controller closes it (reason `LinkLossClosed`), when it is reset or fails
// (`LinkLossReset`), or when nothing has come from the controller for `silenceSec`
// (`LinkLossSilent`: after `silenceSec / 3` of silence it sends a heartbeat, at most one per
// `silenceSec / 3`; at `silenceSec` it closes the connection itself). It then reports
// `ConnectionLinkLost` and logs in again with the last successful login's address, user and
// password: the first attempt `initialDelaySec` after the loss, each later one `backoffFactor`
// times longer after the previous attempt ended (at most `maxDelaySec`), each announced by
// `ConnectionReconnecting` (attempt 1, 2, ...), until one succeeds (`ConnectionReconnected`) or
// `giveUpAfterSec` have passed since the loss (`ConnectionGaveUp`; the supervisor then waits for
// your next successful login). An attempt takes as long as a login (see below).
//
// What survives a lost link on one `ServiceInterface`: every callback registered on it, the
// pushes asked for (each login switches them on again, so pushes resume without a call of
// yours), and the process-wide global move profile. What does not: the controller's side of the
// session. Nothing you sent is sent again: a move that was running is reported failed (a blocking
// move returns `ErrCode_SocketDisconnect`), and an arm start-up, a tool or payload setting, a
// servo stream or a customer track must be started or set again if the controller lost it.
// Calls made while the link is down, also while an attempt is logging in, fail at once with
// `ErrCode_SocketDisconnect`; they never wait for the reconnect. A logout of yours is never taken
// for a lost link.
//
// ### Which thread calls which callback
//
// - receive thread: `RealTimeJointStatusCallback`, `RealTimeRoadPointCallback`,
//   `RealTimeEndSpeedCallback` and `RealTimeMovepStepNumNotifyCallback`, registered with
//   `robotServiceRegisterRealTimeJointStatusCallback`, `...RealTimeRoadPointCallback`,
//   `...RealTimeEndSpeedCallback` and `robotServiceRegisterMovepStepNumNotifyCallback`;
// - event thread: `RobotEventCallback` (`robotServiceRegisterRobotEventInfoCallback`);
// - supervisor thread: `ConnectionEventCallback` (`robotServiceRegisterConnectionEventCallback`),
//   one event at a time; it may make requests, log out or end the supervision (the thread then
//   ends once the callback returns) and destroy the object;
// - whichever thread logs, yours inside any operation, the receive thread or the event thread:
//   `RobotLogPrintCallback` (`robotServiceRegisterLogPrintCallback`).
//
// The log callback is one per process: the last registration through any `ServiceInterface` wins.
// Registering a null callback turns a callback off; after the registration returns, the old
// callback is not called again. The three push registrations (joint status, waypoint, end speed)
// also switch the controller's push on (callback set) or off (null). Before login the switch
// cannot be sent; the callback is stored all the same, and every successful login switches on
// each push last asked for (by such a registration or by `robotServiceSetRealTimeJointStatusPush`
// and its twins).
//
// ### What a slow callback holds up
//
// - **Push callbacks** run on the receive thread. While one runs, no frame is read: later pushes,
//   events *and the responses your other threads are waiting for* queue up behind it. A request
//   gives up after 1.8 s (`ErrCode_RequestTimeout`). Copy what you need and return; hand heavy
//   work to your own thread.
// - **The event callback** runs on the event thread and delays only later events. Up to 4096
//   events wait in a queue; beyond that, new events are dropped.
// - **The log callback** runs under the process-wide log lock: a slow one slows every thread that
//   logs. The text is valid only during the call.
//
// ### Which operations block, and for how long
//
// - **Any operation that talks to the controller** (getters, setters, push switches): at most
//   2 s per request. 0.2 s to send it, its wait behind other threads' sends included (plus 1 ms
//   per 4 KiB of body, which only long track moves have: a 54,000-waypoint move gets about 2 s
//   more), then 1.8 s for the response (then `ErrCode_RequestTimeout`). A request of a kind that
//   another thread has outstanding first waits for that one (requests of one kind are
//   serialised), and that wait counts in its 1.8 s: still waiting after 1.7 s, it fails with
//   `ErrCode_RequestTimeout` unsent. A request not sent in time fails with
//   `ErrCode_SendRequestFailed`; one that broke off part-way also ends the connection
//   (`RobotEvent_socketDisconnected`). Without a connection it fails at once with
//   `ErrCode_SocketDisconnect`.
// - `robotServiceLogin`: the TCP connect (the system's connect time-out), about 300 ms for the
//   receive thread to start, then three requests (the login and the two full-turn flags), one
//   push switch for each push asked for (see above), and the read of the joint ranges that
//   customer tracks are checked against (up to three tries). A request that times out with
//   nothing at all heard from the controller for 1.8 s ends the sequence there: the login
//   fails with `ErrCode_RequestTimeout` (the range read is not tried again), so a controller
//   that stops answering holds a login for one time-out, not one per request.
// - `robotServiceLogout`: about 100 ms (joins the receive thread). With a supervised link it first
//   ends the supervision: within 100 ms during a backoff; a login attempt under way first ends
//   with its own bound (as `robotServiceLogin`). `robotServiceSetReconnectPolicy` with null: the
//   same; with a policy it never blocks, nor does `robotServiceLoginCount`.
//   `robotServiceRegisterConnectionEventCallback` waits only while that callback runs.
// - `rootServiceRobotStartup` with `IsBolck` true: until the arm reports its state, at most 60 s.
// - `robotServiceRobotShutdown` and `robotServiceRobotHandShake` with the blocking flag: until the
//   controller reports the result, at most 30 s.
// - The same three with the flag false: one request.
// - `robotServiceSetRobotCollisionClass`: one request plus up to three read-backs 150 ms apart
//   (about 0.45 s plus the requests).
// - `robotServiceSetRobotSafetyConfig`: two requests plus up to six read-backs 100 ms apart
//   (about 0.6 s plus the requests).
// - `robotServiceSetToolPowerVoltageType`, `robotServiceSetToolDigitalIOType`,
//   `robotServiceSetToolPowerTypeAndDigitalIOType`: one request plus up to three read-backs
//   150 ms apart (about 0.45 s plus the requests).
// - Callback registration: for the three push kinds, the push switch (one request); any
//   registration also waits while the callback it replaces is running.
// - A move with `IsBolck` false, a follow-mode move, jog start and stop: one request.
// - A move with `IsBolck` true: until the controller reports how the move ended, without a
//   time-out: 0 on arrival, 20000 + the event type when an event ended it (21300 for a stop). A
//   lost connection or a logout ends it at once with `ErrCode_SocketDisconnect`; a controller
//   that stops answering ends it with `ErrCode_RequestTimeout` (see below). A controller that
//   answers but never reports the end leaves it waiting. A refused move returns at once.
// - Target-position and relative moves (`robotMoveLineToTargetPosition...`,
//   `robotMoveJointToTargetPosition...`): one request to read the joint angles, then as the move
//   with its `IsBolck`; `getJointAngleByTargetPositionKeepCurrentOri`: the read only.
// - `rootServiceRobotMoveControl`, `robotMoveStop`, `robotMoveFastStop` (stop, pause, continue):
//   one request plus up to 4 s for the controller's done event.
// - The global move profile (`robotServiceSetGlobal...`, the waypoint list, tool, offsets): never
//   blocks (a short lock).
// - Kinematics, frame conversions, the `init...DataType` initialisers, `getVersion`,
//   `getErrDescByCode`, `robotServiceGetConnectStatus` and
//   `robotServiceGetMacCommunicationStatus`: never block.
// - `~ServiceInterface`: ends the supervision (as `robotServiceLogout`), logout (about 100 ms)
//   plus stopping the event thread; waits for a running callback of this object to return.
//
// - **A controller that stops answering** without closing the connection (a hung controller, a
//   host that lost power, a pulled cable): a blocking move (offline tracks and excitation
//   trajectories included), start-up, shut-down and handshake notice it within 5 s and return
//   `ErrCode_RequestTimeout` (10007, distinct from `ErrCode_SocketDisconnect`, 10004, for a
//   closed connection) with the log line "sdk log: The controller has not answered for N ms; the
//   blocking call gives up.". While it waits, a call that has heard nothing from the controller
//   (no frame of any kind) for 1 s sends it a heartbeat (`CommunicationType_communicationHeart`,
//   no body; at most one per 1 s per connection, without waiting for the answer); after 4 s of
//   silence it gives up. A long move with nothing to report is therefore never cut short while
//   the controller answers the heartbeats. The connection stays open: a controller that comes
//   back serves later requests, and requests meanwhile end by their own time-out. Stop, pause and
//   continue watch the same way, but their own 4 s wait usually ends first. The system also ends
//   a connection whose host vanished (TCP keepalive, unacknowledged data) after about 5 s; that
//   shows up as a lost connection.
//
// ### Calls from several threads
//
// - Every operation may be called from any of your threads, also concurrently on the same
//   `ServiceInterface`. Requests of the same kind are serialised (at most one per command type is
//   outstanding); different kinds run in parallel. Two blocking start-ups (or two shut-downs, or
//   two handshakes) of one object run one after the other.
// - Login and logout of one object must not race each other, and no operation may run on an
//   object while it is being destroyed. The supervisor's attempts are serialised with your login
//   and logout of the same object by the library: a login or logout of yours waits for an attempt
//   under way (and a login of yours while the link is up again fails: log out first).
// - Separate `ServiceInterface` objects are independent, except for these process-wide things:
//   the log callback, the arm model and DH parameters the kinematics use (set by the first
//   successful login of the process), and the global move profile (speed and acceleration
//   limits, blend radius, tool, relative offset, arrival-ahead mode, teach frame and the global
//   waypoint list) that every object's moves are built from. The profile may be changed from any
//   thread; a move copies it once, when it is built.
// - One blocking move at a time per object: a second blocking move started on another thread
//   while the first waits would take the first one's end event. Stop, pause and continue may be
//   called from any thread while a move waits; the stopped move then returns 21300
//   (`ErrCodeMoveEnterStopState`).
// - Push callbacks run on the receive thread, which also reads the responses: a request made
//   from one of them is refused at once with `ErrCode_RequestRelatedVariableError` (10006) and
//   the log line "sdk log: A request was made from the receive thread (a push callback);
//   refused.". The event callback may make requests.
// - From inside a callback: do not register a callback of the same kind (it would wait for
//   itself), do not log out the object that called you, and do not call into the library from
//   the log callback. Destroying the object that called you is allowed: its destructor returns
//   at once, and its connection and threads are released once your callback has returned.
//
// ### Teardown
//
// Destroying a `ServiceInterface` ends its supervision, logs out, stops its receive and event
// threads and releases everything it owns. When the destructor returns, none of its callbacks is
// running or will run again, and none of its threads is left. Creating and destroying objects in
// a loop leaks nothing. A callback that is running while the object is destroyed finishes first;
// if it calls into the object meanwhile, it finds it disconnected. The one exception is
// destroying the object from inside its own callback: then the destructor returns at once, no
// callback of the object runs afterwards, and its threads end and its memory is released on a
// thread of the library's own as soon as that callback returns. From the connection event
// callback the destructor logs out as usual; only the supervisor thread is left, and it ends when
// the callback returns.
// END threads-and-blocking text
//
// Locks
// -----
// One mutex per application callback, held by the dispatcher for the whole
// call of that callback and by the registration while it swaps the pair.
// The session lock (ConnectionSupervisor::sessionMutex) is held by every login
// and logout, the application's and the supervisor's, so that they never run
// at once; a logout and the destructor first end the supervisor's thread
// (without the session lock), then take it. Order: the supervisor's thread
// lock, the session lock, the control core's locks, the supervisor's state
// lock (connectionsupervisor.h). No other facade lock is held while it calls
// into the control core.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/util/callbackslot.h"
#include "TevoRobotConnection.h"
#include "TevoRobotControllerCodes.h"
#include "TevoRobotMetaType.h"
#include "TevoRobotServo.h"

class RobotControlServices;
class RobotMoveService;
class RobotIoService;
class RobotConveyorTrack;
class robotOtherService;
class ForceControl;
class PelvanServices;
class RobotServoStream;
class ConnectionSupervisor;

// The object an application holds, one per robot controller: create it, log in
// (robotServiceLogin), call operations, log out, destroy it. Every operation returns 0 or a
// RobotErrorCode (docs/error-codes.md says what each means and what to do) unless its text says
// otherwise, and none throws. Which calls block and for how long, which thread runs each callback
// and what may be called concurrently: the threads text at the top of this header (README.md,
// "Threads, blocking and callbacks").
class ServiceInterface {
public:
    // Creates the process's log sink (first object only) and the control core,
    // whose event thread starts here. Nothing touches the network until login.
    ServiceInterface();
    // Logs out, stops the control core's threads and releases it. No callback
    // of this object runs once the destructor has returned; a callback running
    // meanwhile finishes first and may still call into the object (it is
    // disconnected by then). Destroying the object from inside one of its own
    // callbacks is allowed: the destructor then returns at once and the
    // connection is released on a thread of its own when the callback returns.
    ~ServiceInterface();

    // Not copyable: the object owns a connection and two threads.
    ServiceInterface(const ServiceInterface&) = delete;
    // Not copyable.
    ServiceInterface& operator=(const ServiceInterface&) = delete;

    // ---- Callback registration -------------------------------------------
    // Each stores the callback and its argument (a null callback clears it)
    // and returns 0. The first three also switch the controller's push on
    // (callback set) or off (callback null) before storing; the switch's
    // result is ignored, so registering before login stores the callback
    // without switching the push on; the next successful login switches it on.
    //
    // Registers the joint-status push callback (current, speed, position, temperature of every
    // joint), called on the receive thread; switches the controller's joint-status push on or off
    // (one request, at most 2 s). Returns 0.
    int robotServiceRegisterRealTimeJointStatusCallback(RealTimeJointStatusCallback ptr, void* arg);
    // Registers the waypoint push callback (the arm's current waypoint: flange pose in m and a
    // quaternion, joint angles in rad), called on the receive thread; switches the push on or off
    // (one request, at most 2 s). Returns 0.
    int robotServiceRegisterRealTimeRoadPointCallback(RealTimeRoadPointCallback ptr, void* arg);
    // Registers the tool-speed push callback (m/s), called on the receive thread; switches the push
    // on or off (one request, at most 2 s). Returns 0.
    int robotServiceRegisterRealTimeEndSpeedCallback(RealTimeEndSpeedCallback ptr, void* arg);
    // Registers the robot-event callback (power, collisions, start-up, move ends, errors, ...),
    // called on the event thread one event at a time; it may make requests. Returns 0.
    int robotServiceRegisterRobotEventInfoCallback(RobotEventCallback ptr, void* arg);
    // Registers the move-progress callback: the step number of a running multi-point move (the
    // index into the track while a customer track plays), called on the receive thread. Returns 0.
    int robotServiceRegisterMovepStepNumNotifyCallback(RealTimeMovepStepNumNotifyCallback ptr,
                                                       void* arg);
    // Registers the log callback: one per process, shared by every object (the last registration
    // wins), called on whichever thread logs, under the process-wide log lock. Returns 0.
    int robotServiceRegisterLogPrintCallback(RobotLogPrintCallback ptr, void* arg);
    // Stops this object's callbacks for good (the log callback, one per process, is kept): once
    // it returns, none of the five runs again, also after a later login. Waits for a callback
    // running on another thread; called from inside one of this object's own callbacks it leaves
    // that one to finish. For an owner that ends the object's use while other threads may still
    // be inside it (the handle interface's rs_destory_context).
    void robotServiceDetachAllCallbacks();

    // ---- Dispatchers (the control core calls these; arg is the object) ----
    //
    // Passes a joint-status push to the callback of the object arg; the control core calls it on
    // the receive thread. Not for applications.
    static void recvRealTimeJointStatusPushCallback(
        const tevo_robot_namespace::JointStatus* jointStatus, int size, void* arg);
    // Passes a waypoint push to the callback of the object arg (receive thread). Not for
    // applications.
    static void recvRealTimeWaypointPushCallback(const tevo_robot_namespace::wayPoint_S* waypoint,
                                                 void* arg);
    // Passes a tool-speed push (m/s) to the callback of the object arg (receive thread). Not for
    // applications.
    static void recvRealTimeEndSpeedPushCallback(double speed, void* arg);
    // Passes a robot event to the callback of the object arg (event thread). Not for applications.
    static void recvRobotEventPushCallback(const tevo_robot_namespace::RobotEventInfo* info,
                                           void* arg);
    // Passes a move-progress number to the callback of the object arg (receive thread); while a
    // customer track plays, translates it to an index into that track. Not for applications.
    static void recvMovepProgressNotifyCallback(int num, void* arg);

    // ---- Login and connection ---------------------------------------------
    // A port outside 1..65535 is refused with ErrCode_ParamError before any
    // connection is tried.
    //
    // Connects to host:port over TCP, starts the receive thread and logs in as userName with
    // password. Blocks for the connect, about 300 ms, the login's requests and the joint-range read
    // (threads text: robotServiceLogin); call it from one thread at a time per object. Returns 0;
    // ErrCode_ParamError (port); ErrCode_ConnectSocketFailed; ErrCode_Failed when the controller
    // refused the user name or password (lastControllerRefusal tells why); ErrCode_RequestTimeout
    // when the controller does not answer.
    int robotServiceLogin(const char* host, int port, const char* userName, const char* password);
    // The same login; on success also writes the arm's type and its DH parameters (m, rad), which
    // the kinematics of the whole process use from then on.
    int robotServiceLogin(const char* host, int port, const char* userName, const char* password,
                          tevo_robot_namespace::RobotType& robotType,
                          tevo_robot_namespace::RobotDhPara& robotDhPara);
    // Logs out and closes the connection: about 100 ms (joins the receive thread). Blocked calls on
    // this object end with ErrCode_SocketDisconnect. Not concurrently with a login of the same
    // object. Returns 0 or a RobotErrorCode.
    int robotServiceLogout();
    // The current state of the connection; never blocks.
    void robotServiceGetConnectStatus(bool& connectStatus);
    // Always reports true and returns 0, without a request.
    int robotServiceGetMacCommunicationStatus(bool& value);

    // ---- Connection supervision (opt-in) ---------------------------------------
    // With a reconnect policy set, a supervisor thread of this object watches
    // the link once a login succeeded. When the link is lost (closed, reset,
    // or silent for silenceSec: nothing heard, a heartbeat unanswered) it
    // closes it, then logs in again with the same address and credentials,
    // with backoff, until it succeeds or gives up. Nothing else is done for
    // the application: the callbacks and push wishes of this object and the
    // process-wide global profile survive a lost link, and a login switches
    // the wanted pushes on again; a move that was running is reported failed
    // (its blocking call returns ErrCode_SocketDisconnect) and never sent
    // again. Calls made while the link is down fail at once with
    // ErrCode_SocketDisconnect. The connection event callback tells the
    // application: link lost (with the reason), reconnecting (with the
    // attempt), reconnected, gave up. robotServiceLogout, a null policy and
    // destruction end the supervision; during a backoff they return within
    // 100 ms (an attempt under way ends with its login's bound).
    //
    // Sets (policy not null) or ends (null) the supervision; values outside
    // their ranges give ErrCode_ParamError and change nothing. May be called
    // before or after the login, from any thread but the supervisor's.
    int robotServiceSetReconnectPolicy(const tevo_robot_namespace::ReconnectPolicy* policy);
    // Registers the connection event callback (null clears it), called on the
    // supervisor's thread. Returns 0.
    int robotServiceRegisterConnectionEventCallback(ConnectionEventCallback ptr, void* arg);
    // Successful logins of this object so far (the first and every reconnect);
    // never blocks.
    uint64_t robotServiceLoginCount() const;

    // ---- Arm control --------------------------------------------------------
    // Greeting, power, brakes, start-up and shut-down of the arm. Results: 0; a refusal by the
    // controller (ErrCode_ResponseReturnError, or ErrCode_RealRobotNoExist without a real arm;
    // lastControllerRefusal tells why); or a failed request (ErrCode_SocketDisconnect,
    // ErrCode_SendRequestFailed, ErrCode_RequestTimeout).
    //
    // Asks the controller to greet the arm; blocking waits up to 30 s for its result event
    // (ErrCode_RequestTimeout sooner when the controller stops answering: see the threads text).
    int robotServiceRobotHandShake(bool isBlock);
    // One arm control command (release brake, brake, force control on/off, ...); one request,
    // at most 2 s.
    int rootServiceRobotControl(const tevo_robot_namespace::RobotControlCommand cmd);
    // Arm power on (true) or off; one request, at most 2 s. The completion is reported as an event
    // (RobotSetPowerOnDone).
    int robotServicePowerControl(bool value);
    // Releases the joint brakes of a powered arm; one request, at most 2 s. The completion is
    // reported as an event (RobotReleaseBrakeDone).
    int robotServiceReleaseBrake();
    // Powers the arm up and releases the brakes: payload and centre of mass (kg, m), collision
    // class 0..10 (6 typical), whether to read the mounting pose, static collision detection, the
    // board's maximum acceleration; blocking waits up to 60 s for the start-up result and writes
    // the arm's state into result (ErrCode_RequestTimeout sooner when the controller stops
    // answering: see the threads text).
    int rootServiceRobotStartup(const tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam,
                                uint8_t collisionClass, bool readPose, bool staticCollisionDetect,
                                int boardBaxAcc, tevo_robot_namespace::ROBOT_SERVICE_STATE& result,
                                bool IsBolck = true);
    // Brakes the arm and powers it off; blocking waits up to 30 s for the done event
    // (ErrCode_RequestTimeout sooner when the controller stops answering: see the threads text).
    int robotServiceRobotShutdown(bool IsBolck = true);
    // Clears a collision stop so the arm can move again; one request, at most 2 s.
    int robotServiceCollisionRecover();

    // ---- Real-time push switches --------------------------------------------
    // Switch the controller's real-time pushes on or off for this connection (the registration
    // operations above do this too).
    //
    // Joint-status push on (true) or off; one request, at most 2 s. Remembered: the next login
    // switches it on again.
    int robotServiceSetRealTimeJointStatusPush(bool enable);
    // Waypoint push on (true) or off; one request, at most 2 s. Remembered for the next login.
    int robotServiceSetRealTimeRoadPointPush(bool enable);
    // Tool-speed push on (true) or off; one request, at most 2 s. Remembered for the next login.
    int robotServiceSetRealTimeEndSpeedPush(bool enable);

    // ---- Tool dynamics, kept on the controller as its payload setting ------
    // The payload the controller compensates for: centre of mass (m, flange frame) and mass (kg).
    //
    // Sends position and payload (as float); the inertia is not sent.
    int robotServiceSetToolDynamicsParam(
        const tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
    // Sets no payload (all zero); one request, at most 2 s.
    int robotServiceSetNoneToolDynamicsParam();
    // On success: position and payload from the controller, inertia 0.
    int robotServiceGetToolDynamicsParam(
        tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam);

    // ---- Controller state and configuration ---------------------------------
    // Reads and settings of the controller. Unless its text says otherwise, each is one request,
    // at most 2 s, from any thread; it returns 0, a refusal by the controller
    // (ErrCode_ResponseReturnError) or a failed request (ErrCode_SocketDisconnect,
    // ErrCode_SendRequestFailed, ErrCode_RequestTimeout, ErrCode_ResolveResponseFailed for a
    // reply that cannot be read). Output arguments are written on success.
    //
    // Simulated (0) or real arm (1): in simulation the controller moves no motors.
    int robotServiceGetRobotWorkMode(tevo_robot_namespace::RobotWorkMode& mode);
    // Switches between simulated (0) and real (1) arm.
    int robotServiceSetRobotWorkMode(tevo_robot_namespace::RobotWorkMode mode);
    // Allows hand-guiding (force teach) while a project runs.
    int robotServiceSetEnableForceTeachWhenProjectIsRunning(bool enable);
    // Gravity as the controller measures it in the base frame (m/s^2).
    int robotServiceGetRobotGravityComponent(
        tevo_robot_namespace::RobotGravityComponent& gravityComponent);
    // Sends the class, then reads it back up to three times 150 ms apart.
    int robotServiceSetRobotCollisionClass(int grade);
    // collisionGrade is written only when the result is 0.
    int robotServiceGetRobotCollisionCurrentService(int& collisionGrade);
    // Device information: board revision, joint versions and product identifiers.
    int robotServiceGetRobotDevInfoService(tevo_robot_namespace::RobotDevInfo& devInfo);
    // Motion state: stopped, running, paused or resumed.
    int robotServiceGetRobotCurrentState(tevo_robot_namespace::RobotState& state);
    // True when a physical arm is connected to the controller.
    int robotServiceGetIsRealRobotExist(bool& value);
    // True when joint 6 may turn beyond ±180° (full turns).
    int robotServiceGetJoint6Rotate360EnableFlag(bool& joint6Rot360Enable);
    // Live status of `size` joints (1 to 6, otherwise ErrCode_ParamError and nothing sent) into
    // jointStatus: currents, speeds, positions in degrees, temperatures.
    int robotServiceGetRobotJointStatus(tevo_robot_namespace::JointStatus* jointStatus, int size);
    // The controller's diagnosis: power, emergency stops, collision, end speed (m/s) and alarms.
    int robotServiceGetRobotDiagnosisInfo(tevo_robot_namespace::RobotDiagnosis& robotDiagnosisInfo);
    // The six joint angles now, rad.
    int robotServiceGetJointAngleInfo(tevo_robot_namespace::JointParam& jointParam);
    // The controller's corrected version of a waypoint (mounting and calibration applied).
    int robotServiceGetCorrectedWaypoint(tevo_robot_namespace::wayPoint_S source,
                                         tevo_robot_namespace::wayPoint_S& waypint);
    // Declares the arm's current pose its origin pose.
    int robotServiceSetRobotAtOriginPose();
    // Project control through the safety I/O: pause 1 / continue 2, stop 1 / run 2 (start-up 0),
    // error flags (len 0 to 16 bytes, otherwise ErrCode_ParamError and nothing sent), and the
    // resets of emergency stop, reduced-mode error and safeguard.
    int robotServiceSetRobotOrpePause(uint8_t data);
    // Stop (1) or run (2) the project; 0 at start-up.
    int robotServiceSetRobotOrpeStop(uint8_t data);
    // Sets the error flags: len bytes (0 to 16, otherwise ErrCode_ParamError and nothing sent).
    int robotServiceSetRobotOrpeError(uint8_t* data, int len);
    // Resets the system emergency stop (data 1) once its cause is gone.
    int robotServiceClearSystemEmergencyStop(uint8_t data);
    // Resets a reduced-mode error (data 1).
    int robotServiceClearReducedModeError(uint8_t data);
    // Reports the safeguard reset as done (data 1).
    int robotServiceRobotSafetyguardResetSucc(uint8_t data);
    // Reduced-mode limits: joint speeds (degrees/s), tool speed (mm/s), force (N), momentum, power
    // (W).
    int robotServiceGetRobotSafetyConfig(tevo_robot_namespace::RobotSafetyConfig& safetyConfig);
    // Writes the configuration when the interface board supports it (revision
    // V3.1 or later; for older boards returns 0 and sends nothing), then reads
    // it back up to six times 100 ms apart; ErrCode_Failed if it never matches.
    // When the board's information cannot be read, that read's error.
    int robotServiceSetRobotSafetyConfig(
        const tevo_robot_namespace::RobotSafetyConfig& safetyConfig);
    // Status of the safety I/O (pause, stop, error flags, emergency stop).
    int robotServiceGetOrpeSafetyStatus(tevo_robot_namespace::OrpeSafetyStatus& safetyStatus);
    // One step of a board firmware update: start, a data block of `length` bytes, end.
    int robotServiceUpdateRobotBoardFirmware(tevo_robot_namespace::update_board_firmware_cmd cmd,
                                             const void* data, uint16_t length);
    // True when the last firmware update succeeded.
    int robotServiceGetBoardFirmwareUpdateResultService(bool& value);
    // The controller's network device name and its software version text.
    int robotServiceGetRobotEthernetDeviceName(std::string& ethernetDeviceName);
    // The controller's software version text.
    int robotServiceGetServerVersionInfo(std::string& versionInfo);
    // Zero-point correction per joint, rad.
    int robotServiceSetRobotJointOffset(tevo_robot_namespace::RobotJointOffset& jointOffset);
    // Drive parameters of `size` joints (1 to 6, otherwise ErrCode_ParamError and nothing sent).
    int robotServiceGetJointCommonData(tevo_robot_namespace::JointCommonData* jointCommonDataArray,
                                       int size);
    // Stores joint jointID's (1..6) drive parameters in its flash.
    int robotServiceJointSaveDataFlash(int jointID);
    // Results of the last dynamics identification run, as the controller numbers them.
    int getDynIdentifyResultsService(std::vector<int>& paramVector);

    // ---- Joint servo parameters (one parameter of one joint each) -----------
    // jointID 1..6; value in the drive's own units.
    //
    // Current loop: proportional gain.
    int robotServiceSetJointParam_CurrentIP(int jointID, uint16_t value);
    // Current loop: integral gain.
    int robotServiceSetJointParam_CurrentII(int jointID, uint16_t value);
    // Current loop: derivative gain.
    int robotServiceSetJointParam_CurrentID(int jointID, uint16_t value);
    // Speed loop: proportional gain.
    int robotServiceSetJointParam_SpeedP(int jointID, uint16_t value);
    // Speed loop: integral gain.
    int robotServiceSetJointParam_SpeedI(int jointID, uint16_t value);
    // Speed loop: derivative gain.
    int robotServiceSetJointParam_SpeedD(int jointID, uint16_t value);
    // Speed loop: dead band.
    int robotServiceSetJointParam_SpeedDS(int jointID, uint16_t value);
    // Position loop: proportional gain.
    int robotServiceSetJointParam_PosP(int jointID, uint16_t value);
    // Position loop: integral gain.
    int robotServiceSetJointParam_PosI(int jointID, uint16_t value);
    // Position loop: derivative gain.
    int robotServiceSetJointParam_PosD(int jointID, uint16_t value);
    // Position loop: dead band.
    int robotServiceSetJointParam_PosDS(int jointID, uint16_t value);

    // ---- Global move profile (process-wide, shared by every object) --------
    // These change or read process memory only: nothing is sent, nothing
    // blocks, and the values hold for every ServiceInterface of the process.
    // Setters return 0 or ErrCode_ParamError (the value, NaN or infinite
    // included, is refused and the previous one kept). Units: rad, rad/s,
    // rad/s^2, m, m/s, m/s^2, s.
    //
    // Resets the whole profile to its defaults (limits, no offset, no tool, no early arrival, empty
    // waypoint list). Returns 0.
    int robotServiceInitGlobalMoveProfile();
    // Each joint in (0, 167.55] rad/s^2; all six or none are stored.
    int robotServiceSetGlobalMoveJointMaxAcc(
        const tevo_robot_namespace::JointVelcAccParam& moveMaxAcc);
    // Each joint in (0, 8.7268] rad/s; all six or none are stored.
    int robotServiceSetGlobalMoveJointMaxVelc(
        const tevo_robot_namespace::JointVelcAccParam& moveMaxVelc);
    // The joints' maximum accelerations, rad/s^2.
    void robotServiceGetGlobalMoveJointMaxAcc(tevo_robot_namespace::JointVelcAccParam& moveMaxAcc);
    // The joints' maximum speeds, rad/s.
    void robotServiceGetGlobalMoveJointMaxVelc(
        tevo_robot_namespace::JointVelcAccParam& moveMaxVelc);
    int robotServiceSetGlobalMoveEndMaxLineAcc(double moveMaxAcc);    // (0, 80.01] m/s^2
    int robotServiceSetGlobalMoveEndMaxLineVelc(double moveMaxVelc);  // (0, 5.01] m/s
    // The tool's maximum linear acceleration, m/s^2.
    void robotServiceGetGlobalMoveEndMaxLineAcc(double& moveMaxAcc);
    // The tool's maximum linear speed, m/s.
    void robotServiceGetGlobalMoveEndMaxLineVelc(double& moveMaxVelc);
    int robotServiceSetGlobalMoveEndMaxAngleAcc(double moveMaxAcc);    // (0, 3.1418] rad/s^2
    int robotServiceSetGlobalMoveEndMaxAngleVelc(double moveMaxVelc);  // (0, 3.1418] rad/s
    // The tool's maximum angular acceleration, rad/s^2.
    void robotServiceGetGlobalMoveEndMaxAngleAcc(double& moveMaxAcc);
    // The tool's maximum angular speed, rad/s.
    void robotServiceGetGlobalMoveEndMaxAngleVelc(double& moveMaxVelc);
    // Jerk as a share of the acceleration, [0, 1]; kept in the library.
    int robotServiceSetJerkAccRatio(double acc);  // [0, 1]
    // The jerk ratio, [0, 1].
    void robotServiceGetJerkAccRatio(double& acc);
    // Empties the global waypoint list.
    void robotServiceClearGlobalWayPointVector();
    // Appends to the global waypoint list (at most 54000); a middle point on
    // one straight line with its neighbours is merged away.
    int robotServiceAddGlobalWayPoint(const tevo_robot_namespace::wayPoint_S& wayPoint);
    // The waypoint of six joint angles (forward kinematics first).
    int robotServiceAddGlobalWayPoint(const double* jointAngle);
    // A copy of the global waypoint list.
    void robotServiceGetGlobalWayPointVector(
        std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Blend radius of multi-point moves, m.
    float robotServiceGetGlobalBlendRadius();
    int robotServiceSetGlobalBlendRadius(float value);  // (0, 0.0501) m
    // Playback period of offline tracks, s.
    double robotServiceGetTrackPlaybackCycle();
    // Sets the playback period, s (finite and above 0).
    int robotServiceSetTrackPlaybackCycle(double second);
    // Repetitions of circle moves.
    int robotServiceGetGlobalCircularLoopTimes();
    // Sets the repetitions of circle moves (0: an arc through the three points).
    void robotServiceSetGlobalCircularLoopTimes(int times);
    // Offset added to every move built from the global profile, in the base
    // frame or in a user frame.
    int robotServiceSetMoveRelativeParam(
        const tevo_robot_namespace::MoveRelative& relativeMoveOnBase);
    // The same offset given in the user frame userCoord (converted to the base frame now).
    int robotServiceSetMoveRelativeParam(
        const tevo_robot_namespace::MoveRelative& relativeMoveOnUserCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord);
    // Early arrival: a move may count as arrived this distance (m) or time (s) before its target,
    // or blend into the next one; none by default.
    int robotServiceSetNoArrivalAhead();
    // Arrival counts this distance before the target, m.
    int robotServiceSetArrivalAheadDistanceMode(double distance);
    // Arrival counts this time before the target, s.
    int robotServiceSetArrivalAheadTimeMode(double second);
    // The move blends into the next one this distance before its target, m.
    int robotServiceSetArrivalAheadBlendDistanceMode(double distance);
    // Frame of teach (jog) moves: the base or a calibrated user frame.
    int robotServiceSetTeachCoordinateSystem(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);
    // The tool whose centre point the moves steer (a library setting).
    int robotServiceSetToolKinematicsParam(
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    // The tool set with robotServiceSetToolKinematicsParam (flange frame: m and quaternion).
    int robotServiceGetToolKinematicsParam(tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    // No tool: the moves steer the flange centre.
    int robotServiceSetNoneToolKinematicsParam();

    // ---- Motion ----------------------------------------------------------------
    // With IsBolck false a move returns once the controller accepted or
    // refused it (one request, at most 2 s). With IsBolck true it then waits
    // without a time-out until the move ends: 0 when the arm arrived;
    // 20000 + the event type when a controller or hardware event ended it
    // (21300 when it was stopped); ErrCode_SocketDisconnect at once when the
    // connection is lost; ErrCode_RequestTimeout within 5 s when the
    // controller stops answering (it is sent a heartbeat after 1 s of
    // silence). A refused move returns the refusal without waiting.
    // One blocking move at a time per object; stop, pause and continue may be
    // called from another thread meanwhile.
    // A target holding a NaN or an infinity (joint angles, pose, rotation
    // axis or angle, relative offset, or the profile's tool) is refused with
    // ErrCode_ParamError and a log line before anything is sent; the same
    // holds for global waypoints, offline-track batches and streamed points.
    //
    // Moves the joints to the waypoint's joint angles (rad) along a joint-space path, with the
    // global profile's joint limits. IsBolck true: waits until the move ends (no time limit while
    // the controller answers; ErrCode_RequestTimeout within 5 s after it falls silent); false:
    // returns after the controller's answer (one request, at most 2 s).
    int robotServiceJointMove(tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    // The same to six joint angles, rad (null: ErrCode_ParamError). IsBolck true: waits until the
    // move ends (no time limit while the controller answers; ErrCode_RequestTimeout within 5 s
    // after it falls silent); false: returns after the controller's answer (one request, at most 2
    // s).
    int robotServiceJointMove(double* jointAngle, bool IsBolck);
    // The same with the speeds, offset, blend radius and tool of moveProfile instead of the global
    // profile. IsBolck true: waits until the move ends (no time limit while the controller answers;
    // ErrCode_RequestTimeout within 5 s after it falls silent); false: returns after the
    // controller's answer (one request, at most 2 s).
    int robotServiceJointMove(tevo_robot_namespace::MoveProfile_t& moveProfile, double* jointAngle,
                              bool IsBolck);
    // Follow mode: each call replaces the target of a joint move; one request, at most 2 s, never
    // waits for the arm.
    int robotServiceFollowModeJointMove(double* jointAngle);
    // A straight tool path to the waypoint's joint angles (rad); first overwrites the waypoint's
    // pose with the forward kinematics of its joints. IsBolck true: waits until the move ends (no
    // time limit while the controller answers; ErrCode_RequestTimeout within 5 s after it falls
    // silent); false: returns after the controller's answer (one request, at most 2 s).
    int robotServiceLineMove(tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    // A straight tool path to the pose of six joint angles (rad). IsBolck true: waits until the
    // move ends (no time limit while the controller answers; ErrCode_RequestTimeout within 5 s
    // after it falls silent); false: returns after the controller's answer (one request, at most 2
    // s).
    int robotServiceLineMove(double* jointAngle, bool IsBolck);
    // The same with the limits of moveProfile instead of the global profile. IsBolck true: waits
    // until the move ends (no time limit while the controller answers; ErrCode_RequestTimeout
    // within 5 s after it falls silent); false: returns after the controller's answer (one request,
    // at most 2 s).
    int robotServiceLineMove(tevo_robot_namespace::MoveProfile_t& moveProfile, double* jointAngle,
                             bool IsBolck);
    // Rotates the tool by rotateAngle (rad) about an axis given in userCoord,
    // keeping its position; reads the current waypoint first (one request, at most 2 s). IsBolck
    // true: waits until the move ends (no time limit while the controller answers;
    // ErrCode_RequestTimeout within 5 s after it falls silent); false: returns after the
    // controller's answer (one request, at most 2 s).
    int robotServiceRotateMove(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
        const double* rotateAxisOnUserCoord, double rotateAngle, bool IsBolck);
    // Through the global waypoint list: three or more points make a
    // multi-point move, two a linear move to the second, fewer are refused. IsBolck true: waits
    // until the move ends (no time limit while the controller answers; ErrCode_RequestTimeout
    // within 5 s after it falls silent); false: returns after the controller's answer (one request,
    // at most 2 s).
    int robotServiceTrackMove(tevo_robot_namespace::move_track subMoveMode, bool IsBolck);
    // Jog in the teach frame (mode: axis or joint; direction true: positive) until
    // robotServiceTeachStop; one request, at most 2 s, never waits for the arm.
    int robotServiceTeachStart(tevo_robot_namespace::teach_mode mode, bool direction);
    // Ends the jog; one request, at most 2 s, never waits for the arm.
    int robotServiceTeachStop();
    // Stop, pause or continue the running move (cmd); each is one request and then waits up to
    // 4 s for the controller's done event, from any thread (also while a blocking move waits on
    // another: that move then returns 21300). Any other value does nothing and returns 0. A
    // refusal gives ErrCode_moveControlSlowStopFailed, ...FastStopFailed, ...PauseFailed or
    // ...ContinueFailed.
    int rootServiceRobotMoveControl(tevo_robot_namespace::RobotMoveControlCommand cmd);
    // Stops the running move at once (fast stop); one request plus up to 4 s for the done event,
    // like rootServiceRobotMoveControl.
    int robotMoveFastStop();
    // Stops the running move along its path (slow stop); one request plus up to 4 s for the done
    // event.
    int robotMoveStop();
    // Where the arm stands now: flange pose (m, quaternion) and joint angles (rad).
    int robotServiceGetCurrentWaypointInfo(tevo_robot_namespace::wayPoint_S& wayPoint);
    // Reduced-speed mode; true when the request failed.
    bool robotServiceEnterRobotReduceMode();
    // Leaves reduced-speed mode; true when the request failed.
    bool robotServiceExitRobotReduceMode();
    // Online mode reads: a low controller input CI00 (CI01) means the mode is
    // on. When the read fails: not online, and master mode.
    int robotServiceIsOnlineMode(bool& isOnlineMode);
    // Whether online master mode is on (CI01 low); one request, at most 2 s.
    int robotServiceIsOnlineMasterMode(bool& isOnlineMasterMode);

    // ---- Target-position and relative moves, motion parameters -------------
    // Each move reads the arm's joint angles (one request; when that fails,
    // its error and nothing else is sent), computes the target on the client
    // keeping the current flange orientation, then moves like
    // robotServiceJointMove / robotServiceLineMove (same blocking rules). A
    // target that cannot be computed returns that error and sends no move.
    //
    // Moves the flange by relativeMoveOnUserCoord.relativePosition (metres)
    // given in coordSystem: the base, the current flange frame turned by the
    // frame's tool orientation, or a calibrated user frame. ena and
    // relativeOri are not used. One request to read the joints, then: IsBolck true: waits until the
    // move ends (no time limit while the controller answers; ErrCode_RequestTimeout within 5 s
    // after it falls silent); false: returns after the controller's answer (one request, at most 2
    // s).
    int robotMoveLineToTargetPositionByRelative(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        const tevo_robot_namespace::MoveRelative& relativeMoveOnUserCoord, bool IsBolck);
    // The same relative target reached by a joint move; blocking as
    // robotMoveLineToTargetPositionByRelative.
    int robotMoveJointToTargetPositionByRelative(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        const tevo_robot_namespace::MoveRelative& relativeMoveOnUserCoord, bool IsBolck);
    // Puts the end point of toolInEndDesc on toolEndPositionOnUserCoord
    // (base frame or a calibrated user frame; the flange frame is refused). One request to read the
    // joints, then: IsBolck true: waits until the move ends (no time limit while the controller
    // answers; ErrCode_RequestTimeout within 5 s after it falls silent); false: returns after the
    // controller's answer (one request, at most 2 s).
    int robotMoveLineToTargetPosition(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        const tevo_robot_namespace::Pos& toolEndPositionOnUserCoord,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc, bool IsBolck);
    // The same target reached by a joint move; blocking as robotMoveLineToTargetPosition.
    int robotMoveJointToTargetPosition(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        const tevo_robot_namespace::Pos& toolEndPositionOnUserCoord,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc, bool IsBolck);
    // The joint angles of that target (six values, rad), without moving; one request (the joint
    // read), at most 2 s.
    int getJointAngleByTargetPositionKeepCurrentOri(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        const tevo_robot_namespace::Pos& toolEndPositionOnUserCoord,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc, double* jointAngle);
    // The same target from a given flange waypoint; local, never blocks.
    static int getTargetWaypointByPosition(
        const tevo_robot_namespace::wayPoint_S& sourceWayPointOnBaseCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::Pos& toolEndPosition,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::wayPoint_S& targetWayPointOnBaseCoord);
    // Parameters the controller keeps; one request each. A value that is not
    // finite is refused (ErrCode_ParamError) without a request. Reads fill
    // their record only on success; a reply with the wrong number of values
    // is ErrCode_ResolveResponseFailed.
    // Weaving of the tool across its path (welding).
    int robotServiceSetWeaveMoveParameters(const tevo_robot_namespace::WeaveMove& weaveMove);
    // Joint ranges (rad) the controller enforces when enabled.
    int robotServiceSetJointRangeOfMotion(
        const tevo_robot_namespace::JointRangeOfMotion& rangeOfMotion);
    // The joint ranges the controller holds (rad) and whether they are enforced.
    int robotServiceGetJointRangeOfMotion(tevo_robot_namespace::JointRangeOfMotion& rangeOfMotion);
    // Limits of the regulated speed mode (m/s, m/s^2, rad/s, rad/s^2) and its switch.
    int robotServiceSetRegulateSpeedModeParam(
        const tevo_robot_namespace::RegulateSpeedModeParamConfig_t& config);
    // The regulated speed mode's limits as the controller holds them.
    int robotServiceGetRegulateSpeedModeParam(
        tevo_robot_namespace::RegulateSpeedModeParamConfig_t& config);
    // Switches the regulated speed mode on (true) or off.
    int robotServiceEnableRegulateSpeedMode(bool enbaleFlag);
    // Force-control mode: admittance per axis, the explore force limit (N) and distance limit (m),
    // its switch.
    int robotServiceGetForceControlModeAdmittancePatam(
        tevo_robot_namespace::AdmittancePatam_t& param);
    // Sets the admittance per axis (inertia, damping, stiffness).
    int robotServiceSetForceControlModeAdmittancePatam(
        const tevo_robot_namespace::AdmittancePatam_t& param);
    // The explore force limit (N) and distance limit (m).
    int robotServiceGetForceControlModeExploreForceParam(double& forceLimit, double& distLimit);
    // Sets the explore force limit (N) and distance limit (m).
    int robotServiceSetForceControlModeExploreForceParam(double forceLimit, double distLimit);
    // Switches force-control mode on (true) or off.
    int robotServicEnableForceControlModeService(bool enbaleFlag);
    // forceData: six values (null: ErrCode_ParamError, no request).
    int robotServiceGetRealtimeForceData(double* forceData);

    // ---- Offline tracks, position streaming, excitation trajectories ---------
    // The controller holds one offline track: each append adds a batch of at
    // most 5000 waypoints (more: ErrCode_ParamError, nothing sent) until it is
    // cleared. The file form reads six finite joint angles (rad) per line with
    // exactly one separator (comma, blank, tab or semicolon) between them and
    // nothing after them but blanks or a CR; empty, blank and '#' comment
    // lines are skipped. The whole file is checked before the first request:
    // a bad line gives ErrCode_ParamError, a log line naming file and line,
    // and nothing sent. It then sends batches of 2000 (one request each); a
    // refused batch ends the upload and is returned, nothing after it is
    // sent. A missing file: ErrCode_ParamError; a file without waypoints:
    // ErrCode_Failed.
    //
    // Appends a batch of waypoints (joint angles in rad) to the controller's track; one request, at
    // most 2 s plus 1 ms per 4 KiB.
    int robotServiceOfflineTrackWaypointAppend(
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Appends the waypoints of a file as described above; one request per batch of 2000.
    int robotServiceOfflineTrackWaypointAppend(const char* fileName);
    // Empties the controller's track; one request, at most 2 s.
    int robotServiceOfflineTrackWaypointClear();
    // Plays the uploaded track. IsBolck true: waits until the move ends (no time limit while the
    // controller answers; ErrCode_RequestTimeout within 5 s after it falls silent); false: returns
    // after the controller's answer (one request, at most 2 s).
    int robotServiceOfflineTrackMoveStartup(bool IsBolck);
    // Stops a playing track; one request, at most 2 s.
    int robotServiceOfflineTrackMoveStop();
    // Pass-through mode: each streamed waypoint goes straight to the joints.
    // Streaming is one request per call and never waits for the arm.
    // Position streaming: while in this mode, waypoints sent go straight to the joints as targets.
    int robotServiceEnterTcp2CanbusMode();
    // Leaves pass-through mode; one request, at most 2 s.
    int robotServiceLeaveTcp2CanbusMode();
    // 1 to 5000 waypoints per call (otherwise ErrCode_ParamError, nothing sent).
    int robotServiceSetRobotPosData2Canbus(
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // One waypoint of six joint angles (null: ErrCode_ParamError).
    int robotServiceSetRobotPosData2Canbus(double* jointAngle);
    // Runs an excitation trajectory for dynamics identification, blocking like
    // a move; getDynIdentifyResultsService reads the results afterwards. isBolck true: waits until
    // the trajectory ends (no time limit while the controller answers; ErrCode_RequestTimeout
    // within 5 s after it falls silent); false: returns after the controller's answer (one request,
    // at most 2 s).
    int startupOfflineExcitTrajService(const char* trackFile,
                                       tevo_robot_namespace::Robot_Dyn_identify_traj type,
                                       int subtype, bool isBolck);

    // ---- Servo streaming: one joint or pose target per period -----------------
    // A stream of targets that the controller follows as they come (its
    // pass-through mode), for control loops at up to 2 kHz: start it, then per
    // cycle wait for the period and send one target, then stop it.
    // What each call costs: a send is local checks, forward kinematics (a pose
    // also inverse kinematics), encoding and one write to the socket, a few
    // microseconds; it never waits for the controller. The answers are counted
    // on the receive thread; a refusal fails every later send of the stream
    // (the controller's reason as lastControllerRefusal on the sending thread),
    // and an answer overdue by more than answerTimeoutSec fails the next send.
    // A late cycle: when robotServiceServoWaitPeriod is called after its
    // deadline, the cycle counts as an overrun and the call returns at once;
    // the next deadline is the next one on the period's grid, so the loop
    // neither drifts nor sends a burst to catch up, and the controller, which
    // interpolates between targets, sees one longer gap. The first wait on a
    // thread sets that thread's timer slack to 1 microsecond for good (Linux
    // would otherwise delay each wake-up by up to 50 microseconds).
    // One thread drives the stream (start, wait, send); status and stop may be
    // called from any thread, stop also while the loop waits (the wait then
    // ends at its deadline with ErrCode_Failed). While a stream runs it owns
    // the controller's answers to robotServiceSetRobotPosData2Canbus, which
    // must not be called meanwhile. When no target reaches the controller for
    // its watchdog time, it brings the arm to rest and sends
    // RobotEventControllerTrackingLost, and refuses the targets after it; the
    // stream must then be stopped and started again, as after a lost link.
    //
    // Starts a stream: reads the arm's joint angles (the first target must be
    // near them), enters pass-through mode and sets the first deadline one
    // period from now. Two requests, at most 2 s each. ErrCode_ParamError for
    // settings outside their ranges (see ServoStreamOptions), ErrCode_Failed
    // when a stream runs already; the controller's refusal as a request's.
    int robotServiceServoStart(const tevo_robot_namespace::ServoStreamOptions& options);
    // Sleeps until the cycle's deadline on the monotonic clock and moves the
    // deadline one period on; returns at once (an overrun) when it has passed.
    // ErrCode_Failed when no stream runs, also when it was stopped during the
    // wait.
    int robotServiceServoWaitPeriod();
    // Sends six joint angles (rad) as the next target; never waits for the
    // controller. Refused before sending: a null or non-finite angle
    // (ErrCode_ParamError), a jump beyond the speed limit
    // (ErrCodeJointTargetSpeedOutOfRange). Fails with ErrCode_ResponseReturnError
    // once the controller refused an earlier target (lastControllerRefusal
    // tells why), ErrCode_RequestTimeout when an answer is overdue,
    // ErrCode_SocketDisconnect when the link is lost, ErrCode_Failed when no
    // stream runs.
    int robotServiceServoJoint(const double* jointAngle);
    // Sends a flange pose (base frame, m and unit quaternion) as the next
    // target: inverse kinematics on the branch nearest the last target, then
    // as robotServiceServoJoint. ErrCode_IkFailed, with nothing sent, when no
    // joint angles reach the pose.
    int robotServiceServoPose(const tevo_robot_namespace::Pos& position,
                              const tevo_robot_namespace::Ori& orientation);
    // Ends the stream: leaves pass-through mode and the controller brings the
    // arm to rest. One request, at most 2 s; ErrCode_Failed when no stream runs.
    // The stream has ended also when the request fails (its result is
    // returned).
    int robotServiceServoStop();
    // The stream's figures; never blocks, any thread.
    void robotServiceServoStatus(tevo_robot_namespace::ServoStreamStatus& status) const;

    // ---- Input/output: interface board and tool flange ----------------------
    // Board points are named within their RobotIoType (0..7): controller DI
    // "SI00".."SI07", "SI10".."SI17", "CI00".."CI03", "CI10".."CI13",
    // "LI00".."LI05" (addresses 0..29); controller DO "SO00".."LO03" likewise
    // (0..27); user DI "F1".."F6" (30..35), "U_DI_00".."U_DI_17" (36..51); user
    // DO "U_DO_00".."U_DO_17" (32..47); user AI "VI0".."VI3" (0..3); user AO
    // "VO0", "VO1" (0, 1), "CO0", "CO1" (2, 3). The tool has four digital
    // lines "T_DI/O_00".."T_DI/O_03", each an input or an output, and two
    // analog inputs "T_AI_00", "T_AI_01". Lists come out ordered by name.
    // A name, type or address outside this catalogue (a null name included)
    // is logged and refused with ErrCode_ParamError before anything is sent.
    // Each read or write is one request; a board list read is four.
    //
    // Every catalogue point of the listed board types, value -1; no request.
    int robotServiceGetBoardIOConfig(
        const std::vector<tevo_robot_namespace::RobotIoType>& typeVector,
        std::vector<tevo_robot_namespace::RobotIoDesc>& configVector);
    // The points of the listed board types with their current values (-1 for
    // a point the controller does not report); empty on failure.
    int robotServiceGetBoardIOStatus(
        const std::vector<tevo_robot_namespace::RobotIoType>& typeVector,
        std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);
    // One point by name or address; digital values are 0 or 1. value is
    // written only on success.
    int robotServiceGetBoardIOStatus(tevo_robot_namespace::RobotIoType type,
                                     const std::string& name, double& value);
    // The same by a C string name.
    int robotServiceGetBoardIOStatus(tevo_robot_namespace::RobotIoType type, const char* name,
                                     double& value);
    // The same by address.
    int robotServiceGetBoardIOStatus(tevo_robot_namespace::RobotIoType type, int addr,
                                     double& value);
    // Output types only (controller and user DO, AO). A digital output is
    // switched on by a value above 0.5; an analog value must be finite
    // (voltage outputs in V, current outputs in mA).
    int robotServiceSetBoardIOStatus(tevo_robot_namespace::RobotIoType type,
                                     const std::string& name, double value);
    // The same by a C string name.
    int robotServiceSetBoardIOStatus(tevo_robot_namespace::RobotIoType type, const char* name,
                                     double value);
    // The same by address.
    int robotServiceSetBoardIOStatus(tevo_robot_namespace::RobotIoType type, int addr,
                                     double value);
    // The three tool configuration setters send the setting, then read it back
    // up to three times 150 ms apart (about 0.45 s plus the reads) until the
    // controller reports it; ErrCode_Failed when it never does (the command
    // itself was accepted).
    int robotServiceSetToolPowerVoltageType(tevo_robot_namespace::ToolPowerType type);
    // The tool supply's voltage type (0 V, 12 V or 24 V); one request.
    int robotServiceGetToolPowerVoltageType(tevo_robot_namespace::ToolPowerType& type);
    // Makes one tool digital line an input or an output; with read-backs as above.
    int robotServiceSetToolDigitalIOType(tevo_robot_namespace::ToolDigitalIOAddr addr,
                                         tevo_robot_namespace::ToolIOType type);
    // The tool supply's voltage status as the controller reports it.
    int robotServiceGetToolPowerVoltageStatus(double& value);
    // Sets the tool supply and the direction of all four tool digital lines; with read-backs as
    // above.
    int robotServiceSetToolPowerTypeAndDigitalIOType(tevo_robot_namespace::ToolPowerType type,
                                                     tevo_robot_namespace::ToolIOType io0,
                                                     tevo_robot_namespace::ToolIOType io1,
                                                     tevo_robot_namespace::ToolIOType io2,
                                                     tevo_robot_namespace::ToolIOType io3);
    // The digital lines: RobotToolDO for a line configured as output,
    // RobotToolDI for an input.
    int robotServiceGetAllToolDigitalIOStatus(
        std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);
    // One tool digital line or analog input by name; ErrCode_Failed when the
    // controller's reply lacks it.
    int robotServiceGetToolIoStatus(const std::string& name, double& value);
    // The same by a C string name.
    int robotServiceGetToolIoStatus(const char* name, double& value);
    // Switches a tool digital line configured as output, by address; one request.
    int robotServiceSetToolDOStatus(tevo_robot_namespace::ToolDigitalIOAddr addr,
                                    tevo_robot_namespace::IO_STATUS value);
    // The same by name ("T_DI/O_00" to "T_DI/O_03").
    int robotServiceSetToolDOStatus(const std::string& name, tevo_robot_namespace::IO_STATUS value);
    // The same by a C string name.
    int robotServiceSetToolDOStatus(const char* name, tevo_robot_namespace::IO_STATUS value);
    // The two tool analog inputs (V); one request.
    int robotServiceGetAllToolAIStatus(
        std::vector<tevo_robot_namespace::RobotIoDesc>& statusVector);

    // ---- Conveyor tracking, recognition and seam-tracking parameters --------
    // Each is one request, at most 2 s, answered by the controller; values
    // go to the controller unchanged. encoderValPerMeter and timestamp travel
    // as 32-bit ints of the same bits (4294967295 arrives as -1). The tracking
    // itself runs on the controller, which reports it as robot events.
    //
    // Resets the conveyor encoder count.
    int robotServiceSetConveyorEncoderReset();
    // Starts conveyor tracking.
    int robotServiceSetConveyorStartup();
    // Stops conveyor tracking.
    int robotServiceSetConveyorStop();
    // The conveyor's direction, as the controller numbers it.
    int robotServiceSetConveyorDir(int dir);
    // The camera calibration relating camera and arm frames.
    int robotServiceSetRobotCameraCalib(
        const tevo_robot_namespace::RobotCameraCalib& robotCameraCalib);
    // The conveyor's speed, m/s.
    int robotServiceSetConveyorVelc(double conveyorVelc);
    // Encoder counts per metre of conveyor travel.
    int robotServiceSetEncoderValPerMeter(const uint32_t& encoderValPerMeter);
    // Start of the pick-up window upstream, m.
    int robotServiceSetStartWindowUpstream(double startWindowUpstream);
    // End of the pick-up window downstream, m.
    int robotServiceSetStartWindowDownstream(double startWindowDownstream);
    // How far downstream the arm follows, m.
    int robotServiceSetConveyorTrackDownstream(double trackDownstream);
    // Queues an object to pick: position (m), orientation and the encoder timestamp it was seen at.
    int robotServiceAppendObject2ConveyorTrackQueue(const tevo_robot_namespace::Pos& objectPos,
                                                    const tevo_robot_namespace::Ori& objectOri,
                                                    uint32_t timestamp);
    // Enables conveyor tracking for the next move.
    int robotServiceEnableConveyorTrack();
    // value is left unchanged when the reply holds no value.
    int robotServiceGetConveyorEncoderVal(int& value);
    // The arm's maximum speed while tracking, m/s.
    int robotServiceSetRobotConveyorTrackMaxVelc(double robotConveyorTrackMaxVelc);
    // The arm's maximum acceleration while tracking, m/s^2.
    int robotServiceSetRobotConveyorTrackMaxAcc(double robotConveyorTrackMaxAcc);
    // The delay between encoder and arm, s.
    int robotServiceSetRobotConveyorSystemDelay(double robotConveyorSystemDelay);
    // The tool used while tracking (flange frame: m and quaternion).
    int robotServiceSetRobotTool(const tevo_robot_namespace::ToolInEndDesc& robotTool);
    // Recognition parameters: type, length and at most 255 data bytes.
    int robotServiceSetRobotRecognitionParam(
        const tevo_robot_namespace::RobotRecongnitionParam& param);
    // param is zeroed first and may be filled even when the result is not 0.
    int robotServiceGetRobotRecognitionParam(int type,
                                             tevo_robot_namespace::RobotRecongnitionParam& param);
    // Sends the seam-tracking parameters (current and next waypoint, time interval, position
    // error).
    int robotServiceSetSeamTrackingParameters(const tevo_robot_namespace::SeamTracking& seamTrack);
    // Reads them back; seamTrack is written on success.
    int robotServiceGetSeamTrackingParameters(tevo_robot_namespace::SeamTracking& seamTrack);

    // ---- Customer tracks: long tool-pose paths played piece by piece --------
    // A path of tool poses (a file, or a list) becomes a joint-space track by
    // inverse kinematics from referPointJointAngle; it is checked against the
    // joint ranges (read from the controller at each login, else ±174°), a
    // joint step of 8° (20° for joint 6) and a tool step below 12 mm between
    // consecutive points, low-pass filtered and checked again. A failed check
    // gives ErrCode_Failed, a track of two points or fewer
    // ErrCode_MotionWaypointVetorSizeError; nothing is moved by the parsing.
    //
    // The flange waypoints of a tool-pose file (poseType 1: mm and degrees
    // split by blanks, 10: m and quaternions split by commas), checked and
    // smoothed; not cached. Every token must be a whole finite number; blank
    // lines and lines starting with '#' are skipped.
    int parseFileAsRoadpointCollection(
        const char* filePath, tevo_robot_namespace::POSITION_ORIENTATION_TYPE poseType,
        const double* referPointJointAngle,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // The same for at most maxPoints points: reading stops there, so the
    // lines after them are not read and their content does not matter.
    int parseFileAsRoadpointCollection(
        const char* filePath, tevo_robot_namespace::POSITION_ORIENTATION_TYPE poseType,
        const double* referPointJointAngle,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector, std::size_t maxPoints);
    // The same for a list of tool poses (metres, quaternions).
    int parsePoseListeAsRoadpointCollection(
        const double* referPointJointAngle,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        const std::vector<tevo_robot_namespace::PositionAndQuaternion>& toolEndPoseVector,
        std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Parses a space-separated tool-pose file (mm and degrees), checks,
    // smooths and splits it where the tool path turns back, and caches the
    // result for moveCacheTrack; firstWayPoint is where the track starts (move
    // there first). A failure empties the cache.
    int parseRoadPointFileAndCacheResult(const char* filePath, const double* referPointJointAngle,
                                         tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                         tevo_robot_namespace::wayPoint_S& firstWayPoint);
    // The same as parseRoadPointFileAndCacheResult.
    int pelvanRoadPointHandle(const char* filePath, const double* referPointJointAngle,
                              tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
                              tevo_robot_namespace::wayPoint_S& firstWayPoint);
    // Plays the cached track, blocking: each piece between split points that
    // spans more than three points is one blended multi-point move (blend
    // radius 0.3 mm, left set afterwards); shorter pieces are skipped. The
    // move-progress callback receives indices into the cached track while it
    // plays. Stops at the first failed piece with its result (a stop, an
    // error event or a lost connection); the cache stays for a replay. Blocks
    // until the last piece ends: no time limit while the controller answers,
    // ErrCode_RequestTimeout within 5 s after it falls silent.
    int moveCacheTrack();
    // The same as moveCacheTrack.
    int movePelvanTrack();

    // ---- Kinematics and frames (local computations, any thread) -------------
    //
    // Forward kinematics of size (6) joint angles (rad): writes the flange pose (m, quaternion) and
    // the joints into wayPoint. ErrCode_ParamError for a null pointer or a size other than 6,
    // ErrCode_FkFailed when it fails.
    int robotServiceRobotFk(const double* jointAngle, int size,
                            tevo_robot_namespace::wayPoint_S& wayPoint);
    // Inverse kinematics: the solution for the flange pose (m, quaternion) nearest to
    // startPointJointAngle (rad), the smallest sum of joint differences among the solutions of the
    // all-solutions call below, so with the same guarantee. ErrCode_IkFailed when none reaches it.
    int robotServiceRobotIk(const double* startPointJointAngle,
                            const tevo_robot_namespace::Pos& position,
                            const tevo_robot_namespace::Ori& ori,
                            tevo_robot_namespace::wayPoint_S& wayPoint);
    // Every solution for the flange pose (up to eight). Each lies strictly inside the joint limit
    // (3.0508 rad, 174.8 degrees) and puts the flange within 0.1 mm of the position; its
    // orientation is exact to rounding, or within 3.5e-4 rad where joint 5 is within 0.02 degrees
    // of 0 or pi (taken as exactly there). Where the elbow is nearly stretched, and for a position
    // up to 0.1 mm beyond reach, a solution may be approximate within those bounds; it is not
    // flagged. ErrCode_IkFailed when none reaches it.
    int robotServiceRobotIk(const tevo_robot_namespace::Pos& position,
                            const tevo_robot_namespace::Ori& ori,
                            std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Tool calibration: the tool's position (and by poseCalibMethod its orientation) from flange
    // waypoints that touch one point. ErrCode_ToolCalibrateParamError for too few waypoints,
    // ErrCode_ToolCalibrateError when it finds no solution.
    int robotServiceToolCalibration(
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
        char poseCalibMethod, tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    // The same with separate waypoint lists for position and orientation and a method of
    // ToolKinematicsOriCalibrateMathod.
    int robotServiceToolCalibration(
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointOriCalibVector,
        tevo_robot_namespace::ToolKinematicsOriCalibrateMathod poseCalibMethod,
        tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    // Whether the user frame's three points define a frame; 0 or
    // ErrCode_CoordinateSystemCalibrateError.
    int robotServiceCheckUserCoordinate(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);
    // The user frame in the base frame: bInWPos (m) and bInWOri (3x3 rotation, row by row) of the
    // base in the frame, wInBPos of the frame's origin in the base.
    // ErrCode_CoordinateSystemCalibrateError when the points define none.
    int robotServiceUserCoordinateCalibration(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem,
        double bInWPos[3], double bInWOri[9], double wInBPos[3]);
    // A 3x3 rotation matrix (nine values, row by row) as a quaternion.
    int robotServiceOriMatrixToQuaternion(double eerot[], tevo_robot_namespace::Ori& result);
    // A quaternion as roll, pitch, yaw (rad).
    int quaternionToRPY(const tevo_robot_namespace::Ori& ori, tevo_robot_namespace::Rpy& rpy);
    // Roll, pitch, yaw (rad) as a quaternion.
    int RPYToQuaternion(const tevo_robot_namespace::Rpy& rpy, tevo_robot_namespace::Ori& ori);

    // A flange pose in the base frame as the pose of the tool's end point in a user frame (m,
    // quaternion). ErrCode_BaseToUserConvertFailed when the frame cannot be built.
    static int baseToUserCoordinate(
        const tevo_robot_namespace::Pos& flangeCenterPositionOnBase,
        const tevo_robot_namespace::Ori& flangeCenterOrientationOnBase,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::Pos& toolEndPositionOnUserCoord,
        tevo_robot_namespace::Ori& toolEndOrientationOnUserCoord);
    // The waypoint of the tool's end point from a flange waypoint (base frame).
    static int baseToBaseAdditionalTool(
        const tevo_robot_namespace::wayPoint_S& flangeCenterPointOnBase,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::wayPoint_S& toolEndPointOnBase);
    // The same for a position and orientation.
    static int baseToBaseAdditionalTool(
        const tevo_robot_namespace::Pos& flangeCenterPositionOnBase,
        const tevo_robot_namespace::Ori& flangeCenterOrientationOnBase,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::Pos& toolEndPositionOnBase,
        tevo_robot_namespace::Ori& toolEndOrientationOnBase);
    // The inverse of baseToUserCoordinate: the flange pose in the base frame that puts the tool's
    // end point on the given pose in the user frame. ErrCode_UserToBaseConvertFailed when the frame
    // cannot be built.
    static int userToBaseCoordinate(
        const tevo_robot_namespace::Pos& toolEndPositionOnUserCoord,
        const tevo_robot_namespace::Ori& toolEndOrientationOnUserCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::Pos& flangeCenterPositionOnBase,
        tevo_robot_namespace::Ori& flangeCenterOrientationOnBase);
    // A point of a user frame in the base frame, m.
    static int userCoordPointToBasePoint(
        const tevo_robot_namespace::Pos& userCoordPoint,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        tevo_robot_namespace::Pos& basePoint);
    // The tool's orientation from the flange's and the tool's orientation on the flange.
    static int endOrientation2ToolOrientation(tevo_robot_namespace::Ori& tcpOriInEnd,
                                              const tevo_robot_namespace::Ori& endOri,
                                              tevo_robot_namespace::Ori& toolOri);
    // The flange's orientation from the tool's and the tool's orientation on the flange.
    static int toolOrientation2EndOrientation(tevo_robot_namespace::Ori& tcpOriInEnd,
                                              const tevo_robot_namespace::Ori& toolOri,
                                              tevo_robot_namespace::Ori& endOri);

    // ---- Neutral default values -------------------------------------------
    //
    // Position 0, 0, 0.
    static void initPosDataType(tevo_robot_namespace::Pos& pos);
    // The identity rotation (1, 0, 0, 0).
    static void initOriDataType(tevo_robot_namespace::Ori& ori);
    // No offset: disabled, position 0, identity rotation.
    static void initMoveRelativeDataType(tevo_robot_namespace::MoveRelative& moveRelative);
    // Joint angles 0 and their forward kinematics on the current arm model.
    static void initWayPointDataType(tevo_robot_namespace::wayPoint_S& wayPoint);
    // No tool: position 0, identity rotation.
    static void initToolInEndDescDataType(tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    // The base frame, three zero waypoints, no tool.
    static void initCoordCalibrateByJointAngleAndToolDataType(
        tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordCalibrate);
    // All inertia terms 0.
    static void initToolInertiaDataType(tevo_robot_namespace::ToolInertia& toolInertia);
    // No payload: position, mass and inertia 0.
    static void initToolDynamicsParamDataType(
        tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam);

    // ---- Version and error texts --------------------------------------------
    // Local; none needs a connection or blocks.
    //
    // The library's version, "V4.0.8".
    std::string getVersion();
    // The short English text of a result code ("" for a code without one); docs/error-codes.md
    // explains every code.
    std::string getErrDescByCode(tevo_robot_namespace::RobotErrorCode code);

    // The last refusal by a controller of a request this thread made, on any
    // ServiceInterface: the command, the controller's code and its reason
    // (TevoRobotControllerCodes.h lists the codes). Read it right after a call
    // returned ErrCode_ResponseReturnError (10023) or ErrCode_RealRobotNoExist
    // (10024), or after a refused login (ErrCode_Failed): a later refusal on the
    // same thread replaces it, and calls that succeed leave it in place.
    // commandType is -1 when this thread has had no refusal. Never blocks.
    static tevo_robot_namespace::ControllerRefusal lastControllerRefusal();

private:
    // The application's callbacks (callbackslot.h). The facade calls each under
    // its slot's lock, so a registration waits for a running callback.
    template <typename Callback, typename... Args>
    static void dispatch(void* facade, CallbackSlot<Callback> ServiceInterface::*slot,
                         Args... args);

    struct DispatchInProgress;
    static thread_local DispatchInProgress* t_dispatch;
    // Teardown when the destructor runs inside one of this object's callbacks.
    void releaseFromCallback();
    // Removes the five dispatchers from the control core.
    void unregisterDispatchers();
    // Whether a count argument lies in [min, max]; logs the refusal when not.
    static bool countInRange(const char* operation, const char* what, long long value,
                             long long min, long long max);

    int setServoParam(int paramType, int jointID, uint16_t value);
    int waypointOfJointAngles(const double* jointAngle, tevo_robot_namespace::wayPoint_S& wayPoint);

    CallbackSlot<RealTimeJointStatusCallback> m_realTimeJointStatusCallback;
    CallbackSlot<RealTimeRoadPointCallback> m_realTimeRoadPointCallback;
    CallbackSlot<RobotEventCallback> m_robotEventCallback;
    CallbackSlot<RealTimeEndSpeedCallback> m_robotEndSpeedCallback;
    CallbackSlot<RealTimeMovepStepNumNotifyCallback> m_movepProgressNotifyCallback;

    // Declared after the callback slots, so that even implicit member
    // destruction ends the control core's threads (which call the
    // dispatchers) before the slots go away.
    std::unique_ptr<RobotControlServices> m_robotBaseService;
    // The services hold a pointer to the control core; released before it.
    std::unique_ptr<RobotIoService> m_robotIoService;
    std::unique_ptr<RobotMoveService> m_robotMoveService;
    std::unique_ptr<RobotConveyorTrack> m_robotConveyorTrack;
    std::unique_ptr<robotOtherService> m_robotOtherService;
    std::unique_ptr<ForceControl> m_forceControlService;
    std::unique_ptr<PelvanServices> m_pelvanServiceHandle;
    std::unique_ptr<RobotServoStream> m_servoStream;
    // The link's supervision, the session lock that serialises every login
    // and logout of this object (the application's and the supervisor's),
    // the saved credentials and the login count (connectionsupervisor.h).
    // Shared with the supervisor's own thread, which may outlive the object
    // for the rest of a connection callback that destroyed it.
    std::shared_ptr<ConnectionSupervisor> m_supervisor;
    // True while this object plays a customer track: move progress is then
    // translated to track indices, otherwise passed on as the controller
    // sends it.
    std::atomic<bool> m_customTrackPlaying{false};
};

#endif  // SERVICEINTERFACE_H
