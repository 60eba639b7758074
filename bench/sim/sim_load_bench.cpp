// Simulator under load: N clients, each logged in with the joint-status push
// switched on, issue requests back to back (a getter and a setter in turn)
// for a fixed time. Reports requests per second; the single-client run is the
// baseline and the ratio is printed at the end.
//
// --load-seconds=S sets the measuring time per run (default 10).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/controllersim.h"
#include "sim/rawclient.h"
#include "support/loadseconds.h"

namespace {

double g_seconds = 10.0;
double g_ratePerClients[9] = {0};

namespace pbm = tevo::robot::communication;

// Sends one request and skips pushes until its reply; false on any failure.
bool roundTrip(tevo_test::RawClient& c, int32_t type, const std::string& body) {
    if (!c.send(type, body)) return false;
    while (true) {
        auto f = c.next(std::chrono::milliseconds(3000));
        if (!f) return false;
        if (f->type != type) continue;
        pbm::ProtoRobotCommonResponse common;
        pbm::ProtoCommunicationGeneralData general;
        if (type == tevo_sim::GetRobotMode)
            return general.ParseFromString(f->body) && general.errorinfo(0).errorcode() == 0;
        return common.ParseFromString(f->body) && common.errorcode() == 0;
    }
}

void clientLoop(uint16_t port, const std::atomic<bool>& stop, uint64_t& done, uint64_t& failed) {
    tevo_test::RawClient c;
    if (!c.connect(port)) {
        ++failed;
        return;
    }
    pbm::ProtoRequestLogin login;
    login.set_username("tevo");
    login.set_passwd("tevo");
    if (!c.send(tevo_sim::Login, login) || !c.nextOf(tevo_sim::Login) ||
        !roundTrip(c, tevo_sim::EnableRealTimeJointStatusPush, "")) {
        ++failed;
        return;
    }
    pbm::ProtoCommunicationGeneralData set;
    set.set_type(1);
    set.add_property1(1);
    const std::string setBody = set.SerializeAsString();
    bool flip = false;
    while (!stop.load(std::memory_order_relaxed)) {
        flip = !flip;
        if (flip ? roundTrip(c, tevo_sim::GetRobotMode, "")
                 : roundTrip(c, tevo_sim::SetRobotMode, setBody)) {
            ++done;
        } else {
            ++failed;
            return;
        }
    }
}

void BM_SimLoad(benchmark::State& state) {
    const int clients = static_cast<int>(state.range(0));
    tevo_sim::SimOptions opt;
    opt.logSink = [](const std::string&) {};
    tevo_sim::ControllerSim sim(opt);
    if (!sim.start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    uint64_t total = 0, failures = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::vector<uint64_t> done(static_cast<size_t>(clients), 0),
            failed(static_cast<size_t>(clients), 0);
        std::vector<std::thread> threads;
        threads.reserve(static_cast<size_t>(clients));
        for (int i = 0; i < clients; ++i)
            threads.emplace_back(clientLoop, sim.port(), std::cref(stop),
                                 std::ref(done[static_cast<size_t>(i)]),
                                 std::ref(failed[static_cast<size_t>(i)]));
        std::this_thread::sleep_for(std::chrono::duration<double>(g_seconds));
        stop = true;
        for (auto& t : threads) t.join();
        for (int i = 0; i < clients; ++i) {
            total += done[static_cast<size_t>(i)];
            failures += failed[static_cast<size_t>(i)];
        }
    }
    sim.stop();
    const double rate = static_cast<double>(total) / g_seconds;
    state.counters["requests_per_s"] = rate;
    state.counters["failed_clients"] = static_cast<double>(failures);
    if (failures > 0) state.SkipWithError("a client lost its connection or got an error reply");
    g_ratePerClients[clients] = rate;
}
BENCHMARK(BM_SimLoad)->Arg(1)->Arg(8)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    g_seconds = tevo_bench::loadSeconds(argc, argv, 10.0, args);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_ratePerClients[1] > 0 && g_ratePerClients[8] > 0) {
        std::printf(
            "8 clients: %.0f requests/s; 1 client (baseline): %.0f requests/s; ratio %.2f\n",
            g_ratePerClients[8], g_ratePerClients[1], g_ratePerClients[8] / g_ratePerClients[1]);
    }
    return 0;
}
