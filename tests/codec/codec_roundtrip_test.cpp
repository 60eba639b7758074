// Public value -> encoded bytes -> public value for every encoder, through its
// decoder where one reads the same message, otherwise through the message and
// the reverse conversion; and reply bytes -> public values for every decoder.

#include <gtest/gtest.h>

#include <vector>

#include "RobotSDK/service/robotutilservice.h"
#include "codec/codec_test_support.h"

using namespace codec_test;

namespace {

RobotMoveProfile makeProfile() {
    RobotMoveProfile p = filled<RobotMoveProfile>();
    p.moveMode = MODEP;
    p.subMoveMode = trn::CARTESIAN_LOOKAHEAD;
    p.teachMode = trn::MOV_Z;
    p.enableIterIk = true;
    p.toolTrack = true;
    p.toolInEndPosition.position = {0.01, 0.02, 0.03};
    p.toolInEndOrientation = {0.9, 0.1, 0.2, 0.3};
    p.relativeMove.ena = true;
    p.relativeMove.relativePosition[0] = 0.1f;
    p.relativeMove.relativePosition[1] = 0.2f;
    p.relativeMove.relativePosition[2] = 0.3f;
    p.relativeMove.relativeOrientation.orientation = {0.8, 0.4, 0.3, 0.2};
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        p.maxVelc.jointPara[i] = 1.0 + i;
        p.maxAcc.jointPara[i] = 10.0 + i;
    }
    p.arrivalAhead.arrivalAheadStat = arrival_ahead_time;
    p.arrivalAhead.arrivalAheadThr = 0.25;
    p.blendRadius = 0.05f;
    p.circularLoopTimes = 3;
    p.jerkAccRatio = 0.0;
    return p;
}

void expectSameWayPoint(const trn::wayPoint_S& expected, const trn::wayPoint_S& actual) {
    EXPECT_TRUE(sameBytes(expected, actual));
}

}  // namespace

TEST(CodecRoundTrip, WaypointThroughCorrectedWaypointReply) {
    const trn::wayPoint_S source = makeWayPoint(1.0);
    const Body body = encode(
        [&](char** d, int* n) { return ProtoEncodeDecode::getRequest_roadpoint(d, n, source); });
    const auto point = parseAs<common::ProtoRoadPoint>(body);
    ASSERT_EQ(point.cartpos().position_size(), 1);
    EXPECT_EQ(point.cartpos().positionvector_size(), 3);

    common::ProtoRoadPointResponse reply;
    *reply.mutable_waypoint() = point;
    setError(reply.add_errorinfo(), 0);
    const std::string bytes = bytesOf(reply);
    trn::wayPoint_S decoded = filled<trn::wayPoint_S>();
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_waypoint(
        bytes.data(), static_cast<int>(bytes.size()), decoded, code));
    EXPECT_EQ(code, 0);
    expectSameWayPoint(source, decoded);
}

TEST(CodecRoundTrip, MoveWithProfileAndWaypoints) {
    const RobotMoveProfile profile = makeProfile();
    std::vector<trn::wayPoint_S> points(100);
    for (int i = 0; i < 100; ++i) {
        points[static_cast<std::size_t>(i)] = makeWayPoint(i);
    }
    const Body body = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotMove(d, n, profile, points);
    });
    const auto move = parseAs<common::RobotMove>(body);

    RobotMoveProfile decoded = filled<RobotMoveProfile>();
    ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(move.move_profile(), decoded);
    EXPECT_TRUE(sameBytes(profile, decoded));
    EXPECT_EQ(move.move_profile().maxvelc().cartpara_size(), 0);

    ASSERT_EQ(move.roadpointvector_size(), 100);
    for (int i = 0; i < 100; ++i) {
        trn::wayPoint_S w = filled<trn::wayPoint_S>();
        EXPECT_TRUE(ProtoEncodeDecode::roadPointTypeConversion(move.roadpointvector(i), w));
        expectSameWayPoint(points[static_cast<std::size_t>(i)], w);
    }
}

TEST(CodecRoundTrip, TeachMoveCarriesTheFrameAndItsThreeCalibrationWaypoints) {
    const RobotMoveProfile profile = makeProfile();
    trn::CoordCalibrateByJointAngleAndTool frame = filled<trn::CoordCalibrateByJointAngleAndTool>();
    frame.coordType = trn::WorldCoordinate;
    frame.methods = trn::Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOYPlane;
    for (int p = 0; p < 3; ++p) {
        for (int j = 0; j < trn::ARM_DOF; ++j) {
            frame.wayPointArray[p].jointPos[j] = 0.1 * (p + 1) + 0.05 * j;
        }
    }
    frame.toolDesc.toolInEndPosition = {0.0, 0.0, 0.12};
    frame.toolDesc.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};

    // The caller (motion) turns the frame's joint sets into waypoints.
    std::vector<trn::wayPoint_S> points(3, filled<trn::wayPoint_S>());
    for (int p = 0; p < 3; ++p) {
        ASSERT_EQ(RobotUtilService::robotFk(frame.wayPointArray[p].jointPos, trn::ARM_DOF,
                                            points[static_cast<size_t>(p)]),
                  0);
    }
    const Body body = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotTeachMove(d, n, profile, frame, points);
    });
    const auto teach = parseAs<common::RobotTeachMove>(body);
    EXPECT_EQ(teach.coordinatesystemtype(), trn::WorldCoordinate);
    ASSERT_EQ(teach.calibratemathod_size(), 1);
    EXPECT_EQ(teach.calibratemathod(0), 3);
    ASSERT_EQ(teach.calibrateroadpointvector_size(), 3);
    for (int p = 0; p < 3; ++p) {
        const trn::wayPoint_S& expected = points[static_cast<size_t>(p)];
        trn::wayPoint_S actual = filled<trn::wayPoint_S>();
        EXPECT_TRUE(
            ProtoEncodeDecode::roadPointTypeConversion(teach.calibrateroadpointvector(p), actual));
        expectSameWayPoint(expected, actual);
    }
    ASSERT_EQ(teach.toolinenddesc_size(), 1);
    EXPECT_EQ(teach.toolinenddesc(0).toolinendposition().z(), 0.12);
    EXPECT_EQ(teach.toolinenddesc(0).toolinendorientation().w(), 1.0);
    RobotMoveProfile decoded = filled<RobotMoveProfile>();
    ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(teach.move_profile(), decoded);
    EXPECT_TRUE(sameBytes(profile, decoded));
}

TEST(CodecRoundTrip, TcpParamThroughItsReply) {
    RobotTcpParam source = filled<RobotTcpParam>();
    source.paramAutorun = {0.1f, 0.2f, 0.3f, 1.5f};
    source.paramManual = {-0.1f, -0.2f, -0.3f, 2.5f};
    const Body body = encode(
        [&](char** d, int* n) { return ProtoEncodeDecode::getRequest_tcpParam(d, n, source); });

    common::ProtoResponseRobotTcpParam reply;
    *reply.add_tcpparam() = parseAs<comm::RobotTcpParam>(body);
    setError(reply.mutable_errorinfo(), 0);
    const std::string bytes = bytesOf(reply);
    RobotTcpParam decoded = filled<RobotTcpParam>(0xAB);
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_tcpParam(
        bytes.data(), static_cast<int>(bytes.size()), decoded, code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sameBytes(source, decoded));
}

TEST(CodecRoundTrip, ToolDynamicsSetBodyReadsBackAsGetReply) {
    trn::ToolDynamicsParam source = filled<trn::ToolDynamicsParam>();
    source.positionX = 0.01;
    source.positionY = 0.02;
    source.positionZ = 0.03;
    source.payload = 2.5;
    source.toolInertia = {1, 2, 3, 4, 5, 6};
    const Body body = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_setToolDynamicsParam(d, n, source);
    });
    const auto message = parseAs<common::ToolParam>(body);
    EXPECT_EQ(message.tooldynamicsparam_size(), 1);
    EXPECT_EQ(message.toolkinematicsparam_size(), 0);
    EXPECT_EQ(message.errorinfo().errorcode(), 0);
    EXPECT_EQ(message.errorinfo().errormsg(), "");

    trn::ToolDynamicsParam decoded = filled<trn::ToolDynamicsParam>(0xAB);
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(body.data.get(), body.size,
                                                                        decoded, code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sameBytes(source, decoded));
}

TEST(CodecRoundTrip, SafetyConfigSetBodyReadsBackAsGetReply) {
    trn::RobotSafetyConfig source = filled<trn::RobotSafetyConfig>();
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        source.robotReducedConfigJointSpeed[i] = static_cast<uint16_t>(100 + i);
    }
    source.robotReducedConfigTcpSpeed = 250;
    source.robotReducedConfigTcpForce = 150;
    source.robotReducedConfigMomentum = 25;
    source.robotReducedConfigPower = 80;
    source.robotSafeguradResetConfig = 1;
    source.robotOperationalModeConfig = 2;
    const Body body = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_setSafetyConfig(d, n, source);
    });
    trn::RobotSafetyConfig decoded = filled<trn::RobotSafetyConfig>();
    int code = -1;
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_safetyConfig(body.data.get(), body.size, decoded, code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sameBytes(source, decoded));
}

TEST(CodecRoundTrip, IoListsReadBackAndKeepTheCodeWithoutErrorRecord) {
    const std::vector<trn::RobotDiagnosisIODesc> digital = {{1, 1, 5}, {7, 0, 4}, {255, 1, 9}};
    const Body dBody = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotDiagnosisIOData(d, n, digital);
    });
    std::vector<trn::RobotDiagnosisIODesc> dOut(5);
    int code = 77;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(dBody.data.get(),
                                                                        dBody.size, dOut, code));
    EXPECT_EQ(code, 77);
    ASSERT_EQ(dOut.size(), digital.size());
    for (std::size_t i = 0; i < digital.size(); ++i) {
        EXPECT_EQ(dOut[i].addr, digital[i].addr);
        EXPECT_EQ(dOut[i].value, digital[i].value);
        EXPECT_EQ(dOut[i].type, digital[i].type);
    }

    // A reply's code comes from its first error record.
    auto reply = parseAs<comm::ProtoCommunicationRobotDiagnosisIOData>(dBody);
    setError(reply.add_errorinfo(), 6);
    setError(reply.add_errorinfo(), 7);
    const std::string replyBytes = bytesOf(reply);
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(
        replyBytes.data(), static_cast<int>(replyBytes.size()), dOut, code));
    EXPECT_EQ(code, 6);
    EXPECT_EQ(dOut.size(), digital.size());

    const std::vector<trn::RobotAnalogIODesc> analog = {{2, 3.25f, 6}, {3, -1.5f, 7}};
    const Body aBody = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotAnalogIOData(d, n, analog);
    });
    const auto aMessage = parseAs<comm::ProtoCommunicationRobotAnalogIOData>(aBody);
    EXPECT_EQ(aMessage.type(), 0);
    std::vector<trn::RobotAnalogIODesc> aOut;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotAnalogIOData(aBody.data.get(), aBody.size,
                                                                     aOut, code));
    ASSERT_EQ(aOut.size(), analog.size());
    for (std::size_t i = 0; i < analog.size(); ++i) {
        EXPECT_EQ(aOut[i].addr, analog[i].addr);
        EXPECT_EQ(aOut[i].value, analog[i].value);
        EXPECT_EQ(aOut[i].type, analog[i].type);
    }
}

TEST(CodecRoundTrip, EventKeepsEveryContentByte) {
    trn::RobotEventInfo source;
    source.eventType = trn::RobotEvent_collision;
    source.eventCode = -12;
    source.eventContent = std::string("a\0b\xff\x80 end", 8);
    char buffer[64];
    int size = sizeof buffer;
    ASSERT_TRUE(ProtoEncodeDecode::getResponse_Event(buffer, &size, source));
    trn::RobotEventInfo decoded{trn::RobotEvent_armCanbusError, 0, "old"};
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotEvent(buffer, size, decoded));
    EXPECT_EQ(decoded.eventType, source.eventType);
    EXPECT_EQ(decoded.eventCode, source.eventCode);
    EXPECT_EQ(decoded.eventContent, source.eventContent);
}

TEST(CodecRoundTrip, GeneralDataRequestsReadBackThroughTheGeneralDataDecoders) {
    int code = 5;
    const Body control = encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotControl(d, n, trn::EnableReadPose);
    });
    trn::RobotWorkMode asMode = trn::RobotModeSimulator;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotWorkMode(control.data.get(), control.size,
                                                                 asMode, code));
    EXPECT_EQ(static_cast<int>(asMode), static_cast<int>(trn::EnableReadPose));
    EXPECT_EQ(code, 5);  // no error record in a request: unchanged

    const Body mode = encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_setRobotWorkMode(d, n, trn::RobotModeReal);
    });
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_robotWorkMode(mode.data.get(), mode.size, asMode, code));
    EXPECT_EQ(asMode, trn::RobotModeReal);

    const Body grade = encode(
        [](char** d, int* n) { return ProtoEncodeDecode::getRequest_setRobotCollision(d, n, 9); });
    int number = 0;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_movepProgressNotify(grade.data.get(), grade.size,
                                                                       number));
    EXPECT_EQ(number, 9);

    const Body power = encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_setRobotPowerStatus(d, n, true);
    });
    const auto message = parseAs<comm::ProtoCommunicationGeneralData>(power);
    EXPECT_EQ(message.type(), 1);
    EXPECT_EQ(message.property1_size(), 0);
    bool flag = false;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_isRealRobotExist(power.data.get(), power.size,
                                                                    flag, code));
    EXPECT_TRUE(flag);
}

TEST(CodecRoundTrip, SeamTrackingThroughItsReply) {
    trn::SeamTracking source = filled<trn::SeamTracking>();
    source.trackEnable = true;
    source.currentRoadPoint = makeWayPoint(2.0);
    source.nextRoadPoint = makeWayPoint(3.0);
    source.timeInterval = 40;
    source.currentPosError[0] = 0.001;
    source.currentPosError[1] = -0.002;
    source.currentPosError[2] = 0.003;
    source.maxVel = 0.5;
    source.maxAcc = 1.5;
    source.paraChanged = false;
    const Body body = encode(
        [&](char** d, int* n) { return ProtoEncodeDecode::getRequest_SeamTracking(d, n, source); });
    const auto track = parseAs<common::ProtoSeamTrack_t>(body);
    EXPECT_EQ(track.trackenable(), 1);
    EXPECT_EQ(track.parachanged(), 0);

    common::ProtoSeamTrackResponse_t reply;
    *reply.mutable_seamtrack() = track;
    setError(reply.mutable_errorinfo(), 4);
    const std::string bytes = bytesOf(reply);
    trn::SeamTracking decoded = filled<trn::SeamTracking>();
    int code = 0;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_SeamTracking(
        bytes.data(), static_cast<int>(bytes.size()), decoded, code));
    EXPECT_EQ(code, 4);  // rule A: converted whatever the code
    EXPECT_TRUE(sameBytes(source, decoded));
}

TEST(CodecRoundTrip, ForceSensorCalibrationRequestAndResult) {
    trn::JointParam joints[3];
    WrenchParam wrenches[3];
    for (int p = 0; p < 3; ++p) {
        for (int j = 0; j < trn::ARM_DOF; ++j) {
            joints[p].jointPos[j] = p + 0.1 * j;
        }
        for (int k = 0; k < 3; ++k) {
            wrenches[p].force[k] = 10 * p + k;
            wrenches[p].torque[k] = -(10 * p + k);
        }
    }
    const Body body = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_FtSensorCalibParam(d, n, joints, wrenches);
    });
    const auto message = parseAs<peripheral::ProtoFtSensorCalibParam>(body);
    ASSERT_EQ(message.jointangle_size(), 3);
    ASSERT_EQ(message.wrenchlist_size(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(message.jointangle(p).joint1(), joints[p].jointPos[0]);
        EXPECT_EQ(message.jointangle(p).joint6(), joints[p].jointPos[5]);
        WrenchParam back = filled<WrenchParam>();
        EXPECT_TRUE(ProtoEncodeDecode::ProtoWrenchToWrench(message.wrenchlist(p), back));
        EXPECT_TRUE(sameBytes(wrenches[p], back));
    }

    FtSensorCalResult source = filled<FtSensorCalResult>();
    source.offset = wrenches[2];
    source.mass = 1.25;
    source.centroid[0] = 0.01;
    source.centroid[1] = 0.02;
    source.centroid[2] = 0.03;
    source.angle[0] = 0.5;
    source.angle[1] = -0.5;
    peripheral::ProtoResponseFtSensorCalibResult reply;
    peripheral::ProtoFtSensorCalibResult* result = reply.add_ftsensorcalibresult();
    ProtoEncodeDecode::WrenchToProtoWrench(source.offset, *result->mutable_wrench());
    result->set_mass(source.mass);
    for (double c : source.centroid) result->add_centroid(c);
    for (double a : source.angle) result->add_angle(a);
    setError(reply.mutable_errorinfo(), 0);
    const std::string bytes = bytesOf(reply);
    FtSensorCalResult decoded = filled<FtSensorCalResult>(0xAB);
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_FtSensorCalibResult(
        bytes.data(), static_cast<int>(bytes.size()), decoded, code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sameBytes(source, decoded));
}

TEST(CodecRoundTrip, NumberListsThroughTheirReplies) {
    const std::vector<int> ints = {3, -7, 2147483647};
    const auto intRequest =
        parseAs<comm::ProtoCommunicationIntVector>(encode([&](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_intTypeValueVector(d, n, ints);
        }));
    EXPECT_EQ(intRequest.num(), 3);
    comm::ProtoCommunicationIntVectorResponse intReply;
    intReply.set_num(99);  // not read
    *intReply.mutable_value() = intRequest.value();
    setError(intReply.mutable_errorinfo(), 2);
    const std::string intBytes = bytesOf(intReply);
    std::vector<int> intOut = {1, 2, 3, 4, 5};
    int code = 0;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_intTypeValueVector(
        intBytes.data(), static_cast<int>(intBytes.size()), intOut, code));
    EXPECT_EQ(intOut, ints);
    EXPECT_EQ(code, 2);

    const std::vector<double> doubles = {0.5, -1e300, 3.0};
    const auto doubleRequest =
        parseAs<comm::ProtoCommunicationDoubleVector>(encode([&](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_doubleTypeValueVector(d, n, doubles);
        }));
    comm::ProtoCommunicationDoubleVectorResponse doubleReply;
    doubleReply.set_num(doubleRequest.num());
    *doubleReply.mutable_value() = doubleRequest.value();
    setError(doubleReply.mutable_errorinfo(), 0);
    const std::string doubleBytes = bytesOf(doubleReply);
    std::vector<double> doubleOut = {9.0};
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_doubleTypeValueVector(
        doubleBytes.data(), static_cast<int>(doubleBytes.size()), doubleOut, code));
    EXPECT_EQ(doubleOut, doubles);
    EXPECT_EQ(code, 0);
}

// Encoders whose body no decoder reads: every input comes back from the message.
TEST(CodecRoundTrip, RequestBodiesCarryTheirInputs) {
    const auto login = parseAs<comm::ProtoRequestLogin>(encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_login(d, n, "user", std::string("p\0w", 3));
    }));
    EXPECT_EQ(login.username(), "user");
    EXPECT_EQ(login.passwd(), std::string("p\0w", 3));

    RobotTcpParam tcp = filled<RobotTcpParam>();
    tcp.paramManual.payload = 3.5f;
    const auto startup =
        parseAs<comm::ProtoCommunicationRobotStartupProfile>(encode([&](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_robotStartup(d, n, tcp, 6, true, false, 30000);
        }));
    EXPECT_EQ(startup.tcpparam().parammanual().payload(), 3.5f);
    EXPECT_EQ(startup.collisionclass(), 6);
    EXPECT_TRUE(startup.readpose());
    EXPECT_FALSE(startup.staticcollisiondetect());
    EXPECT_EQ(startup.maxacc(), 30000);

    const char firmware[] = {'\x01', '\0', '\xfe', 'x'};
    const auto upgrade =
        parseAs<comm::ProtoCommunicationRobotBoardFirmware>(encode([&](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_firmwareUpgrade(
                d, n, trn::update_slave_board_firmware_trans_data, firmware, 4);
        }));
    EXPECT_EQ(upgrade.command(), 5);
    EXPECT_EQ(upgrade.firmwarecontent(), std::string(firmware, 4));
    EXPECT_EQ(upgrade.firmwarecontentsize(), 4);

    const auto traj =
        parseAs<comm::ProtoCommunicationOfflineExcitTraj>(encode([](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_startupOfflineExcitTraj(d, n, "excit.offt", 2, 7);
        }));
    EXPECT_EQ(traj.trackfile(), "excit.offt");
    EXPECT_EQ(traj.type(), 2);
    EXPECT_EQ(traj.subtype(), 7);

    trn::RobotJointOffset offset{{0.1, 0.2, 0.3, 0.4, 0.5, 0.6}};
    const auto joints = parseAs<common::RobotJointOffset>(encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotRobotJointOffsetData(d, n, offset);
    }));
    EXPECT_EQ(joints.joint1(), 0.1);
    EXPECT_EQ(joints.joint6(), 0.6);

    const trn::ToolInEndDesc tool{{0.1, 0.2, 0.3}, {0.5, 0.5, 0.5, 0.5}};
    const auto kinematics = parseAs<common::ToolKinematicsParam>(encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_setToolKinematicsParam(d, n, tool);
    }));
    EXPECT_EQ(kinematics.toolposition().y(), 0.2);
    EXPECT_EQ(kinematics.toolori().z(), 0.5);

    const auto conveyor =
        parseAs<common::ProtoConveyorTrackValuePoint>(encode([](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_ConveyorTrackValuePoint(d, n, {1, 2, 3},
                                                                         {0, 1, 0, 0}, 123456);
        }));
    EXPECT_EQ(conveyor.position().z(), 3);
    EXPECT_EQ(conveyor.ori().x(), 1);
    EXPECT_EQ(conveyor.timestamp(), 123456);

    const auto safeIo = parseAs<comm::protoSafeCommunicationParam>(encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_safeIoParamAbout(d, n, {1, 0, 3});
    }));
    EXPECT_EQ(safeIo.paramreserved(), 0u);
    ASSERT_EQ(safeIo.param_size(), 3);
    EXPECT_EQ(safeIo.param(2), 3u);
}

// Decoders whose reply no encoder builds: reply bytes built here.
TEST(CodecRoundTrip, JointStatusPushThroughTheConversionPair) {
    common::ProtoRobotAllJointStatusResponse reply;
    reply.set_jointcount(6);
    trn::JointStatus sources[6];
    for (int i = 0; i < 6; ++i) {
        sources[i] = {-100 * i, 200 * i,    0.5f * i,
                      48.0f,    30.5f + i,  7 * i,
                      1.5f * i, -0.25f * i, static_cast<uint16_t>(i)};
        ProtoEncodeDecode::jointStatusTypeConversion(sources[i], *reply.add_jointstatus());
    }
    setError(reply.add_errorinfo(), 0);
    const std::string bytes = bytesOf(reply);
    trn::JointStatus decoded[6];
    for (auto& d : decoded) d = filled<trn::JointStatus>();
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_jointStatus(
        bytes.data(), static_cast<int>(bytes.size()), decoded, 6, code));
    EXPECT_EQ(code, 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(decoded[i].jointCurrentI, sources[i].jointCurrentI);
        EXPECT_EQ(decoded[i].jointCurTemp, sources[i].jointCurTemp);
        EXPECT_EQ(decoded[i].jointTagPosJ, sources[i].jointTagPosJ);
        EXPECT_EQ(decoded[i].jointErrorNum, sources[i].jointErrorNum);
    }
}

TEST(CodecRoundTrip, OrpeSafetyStatusThroughItsReply) {
    trn::OrpeSafetyStatus source = filled<trn::OrpeSafetyStatus>();
    source.orpePause = 1;
    source.orpeStop = 2;
    for (int i = 0; i < 16; ++i) source.orpeError[i] = static_cast<uint8_t>(i * 3);
    source.systemEmergencyStop = 4;
    source.reducedModeError = 5;
    source.safetyguardResetSucc = 6;
    common::ProtoResponseOrpeSafetyStatus reply;
    ProtoEncodeDecode::OrpeSafetyStatusTypeConversion(source, *reply.add_safetystatus());
    setError(reply.mutable_errorinfo(), 0);
    EXPECT_EQ(reply.safetystatus(0).orpeerror_size(), 16);
    const std::string bytes = bytesOf(reply);
    trn::OrpeSafetyStatus decoded = filled<trn::OrpeSafetyStatus>(0xAB);
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_safetyStatus(
        bytes.data(), static_cast<int>(bytes.size()), decoded, code));
    EXPECT_TRUE(sameBytes(source, decoded));
}
