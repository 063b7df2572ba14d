// What the link's primitives cost: the header lock taken and freed with nobody else wanting it,
// the time from Notify posting to Korvan's window until that window's process wakes, and making
// and mapping a data section (as the catalogue and the geometry writer do per material).
//
// The wake latency needs a window that Notify takes for Korvan's: its process's image path must
// contain "korvan". This program is copied into a folder of that name and started there with
// kWakeRecorderArgument; the copy publishes Korvan's window and writes the CLOCK_MONOTONIC time
// of every wake to its standard output, a pipe back to the benchmark.
//
// All state lives in a private folder (the three TWINLINK_* variables), removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/private_state.h"
#include "bench/summary.h"
#include "liveconnection/live_connection.h"
#include "twinlink/platform.h"

extern char** environ;

namespace {

namespace platform = twinlink::platform;

constexpr char kWakeRecorderArgument[] = "--korvan-wake-recorder";
// A safety net against a broken peer, not a timing assumption: every wake comes far sooner.
constexpr int kSafetyNetMilliseconds = 20000;

uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(now.tv_nsec);
}


// ---- the peer's side: runs in the copy started with kWakeRecorderArgument

int RunWakeRecorder() {
    platform::OwnWindow window;
    if (!window.Create(u"KORVAN_START_WINDOW", u"Korvan 8.5", true, 0)) return 1;
    const auto report = [](uint64_t value) {
        return write(STDOUT_FILENO, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
    };
    if (!report(0)) return 1;  // 0: the window is there
    for (;;) {
        const std::optional<platform::WindowMessage> message =
            window.Receive(std::chrono::milliseconds(kSafetyNetMilliseconds));
        const uint64_t woke = MonotonicNanoseconds();
        if (!message) return 0;
        if (message->message != TwinLinkAPI::kUpdateMessage) continue;
        if (!report(woke)) return 0;  // the benchmark has gone
    }
}

// ---- the benchmark's side

// The wake recorder, started from a copy of this program in a folder named "korvan".
class WakeRecorder {
  public:
    explicit WakeRecorder(const std::filesystem::path& folder) {
        std::error_code error;
        const std::filesystem::path korvan = folder / "korvan";
        std::filesystem::create_directories(korvan, error);
        const std::filesystem::path copy = korvan / "korvan-wake-recorder";
        if (!std::filesystem::copy_file("/proc/self/exe", copy, error)) return;
        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::string program = copy.string();
        std::string argument = kWakeRecorderArgument;
        char* argv[] = {program.data(), argument.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        output_ = output[0];
        ready_ = pid_ > 0 && NextTime() == 0u;
    }
    ~WakeRecorder() {
        if (output_ >= 0) close(output_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    WakeRecorder(const WakeRecorder&) = delete;
    WakeRecorder& operator=(const WakeRecorder&) = delete;

    bool Ready() const { return ready_; }

    // The next wake time the recorder wrote; nothing when it wrote none.
    std::optional<uint64_t> NextTime() {
        uint64_t value = 0;
        size_t got = 0;
        while (got < sizeof value) {
            pollfd waiting{output_, POLLIN, 0};
            if (poll(&waiting, 1, kSafetyNetMilliseconds) != 1) return std::nullopt;
            const ssize_t n =
                read(output_, reinterpret_cast<char*>(&value) + got, sizeof value - got);
            if (n <= 0) return std::nullopt;
            got += static_cast<size_t>(n);
        }
        return value;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool ready_ = false;
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    return values[index];
}

void BM_LockUnlockUncontended(benchmark::State& state) {
    PrivateState folders("twinlink-bench");
    TwinLinkAPI::LiveConnection host;
    if (host.Host(u"/bench/Lock.skp", 8) != 0) {
        state.SkipWithError("cannot host the link");
        return;
    }
    bool allTaken = true;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        allTaken &= host.Lock(0);
        host.Unlock();
    }
    const std::chrono::duration<double, std::nano> spent =
        std::chrono::steady_clock::now() - started;
    if (!allTaken) state.SkipWithError("the lock was not free");
    state.counters["ns_per_pair"] = spent.count() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LockUnlockUncontended);

void BM_NotifyToPeerWake(benchmark::State& state) {
    PrivateState folders("twinlink-bench");
    WakeRecorder peer(folders.Root());
    TwinLinkAPI::LiveConnection host;
    if (!peer.Ready() || host.Host(u"/bench/Notify.skp", 8) != 0) {
        state.SkipWithError("the peer window or the link could not be made");
        return;
    }
    // The first Notify looks for Korvan's windows among all processes; that is not measured.
    if (host.Notify(TwinLinkAPI::kUpdateNotification, 0) != 0 || !peer.NextTime()) {
        state.SkipWithError("Notify did not reach the peer window");
        return;
    }
    std::vector<double> toWake, inNotify;  // microseconds
    toWake.reserve(static_cast<size_t>(state.max_iterations));
    inNotify.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const uint64_t posted = MonotonicNanoseconds();
        const int32_t result = host.Notify(TwinLinkAPI::kUpdateNotification, 0);
        const uint64_t returned = MonotonicNanoseconds();
        const std::optional<uint64_t> woke = peer.NextTime();
        if (result != 0 || !woke) {
            state.SkipWithError("a notification was lost");
            return;
        }
        toWake.push_back(static_cast<double>(*woke - posted) / 1000.0);
        inNotify.push_back(static_cast<double>(returned - posted) / 1000.0);
    }
    state.counters["notifications"] = static_cast<double>(toWake.size());
    state.counters["median_us"] = Percentile(toWake, 0.5);
    state.counters["p99_us"] = Percentile(toWake, 0.99);
    state.counters["max_us"] = Percentile(toWake, 1.0);
    // How much of it the posting side spends inside Notify (window checks and the post).
    state.counters["notify_call_median_us"] = Percentile(inNotify, 0.5);
}
// One notification at a time, each waited for, as the worker notifies after each pass.
BENCHMARK(BM_NotifyToPeerWake)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_CreateAndMapSection(benchmark::State& state) {
    PrivateState folders("twinlink-bench");
    TwinLinkAPI::LiveConnection host;
    if (host.Host(u"/bench/Sections.skp", 8) != 0) {
        state.SkipWithError("cannot host the link");
        return;
    }
    const TwinLinkAPI::RecordHeader* owner = host.CreateRecord(TwinLinkAPI::kSurfaceTag);
    const auto size = static_cast<uint32_t>(state.range(0));
    std::chrono::duration<double, std::micro> spent{0};
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const uint32_t id = host.CreateSection(owner->recordId, size);
        void* view = host.MapSection(id);
        spent += std::chrono::steady_clock::now() - started;
        benchmark::DoNotOptimize(view);
        state.PauseTiming();
        if (view == nullptr) {
            state.SkipWithError("no section");
            state.ResumeTiming();
            break;
        }
        host.ReleaseSection(id);  // as a writer that outgrew it; not part of the figure
        state.ResumeTiming();
    }
    state.counters["us_per_pair"] = spent.count() / static_cast<double>(state.iterations());
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_CreateAndMapSection)
    ->Arg(64 << 10)
    ->Arg(4 << 20)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The figure for ./run bench's table: what a sync pass pays for each wake-up it sends.
void Summarize(const bench::KeptRuns& runs) {
    const char* figure = "Notify call, median";
    constexpr double kTargetMicroseconds = 15;
    const std::string target = bench::Format("under %.0f us", kTargetMicroseconds);
    const auto* run = runs.Find("BM_NotifyToPeerWake");
    if (run == nullptr) return bench::AppendUnmeasured(figure, target);
    const double median = run->counters.at("notify_call_median_us");
    bench::AppendFigure(figure, bench::Format("%.1f us", median), target, median < kTargetMicroseconds);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], kWakeRecorderArgument) == 0) return RunWakeRecorder();
    return bench::RunAndSummarize(argc, argv, Summarize);
}
