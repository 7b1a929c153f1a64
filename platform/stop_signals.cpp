#include "platform/stop_signals.h"

#include <signal.h>

#include <atomic>

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set inside a signal handler");

std::atomic<bool> g_stopRequested{false};

constexpr int StopSignals[] = {SIGINT, SIGTERM};
constexpr int StopSignalCount = sizeof(StopSignals) / sizeof(StopSignals[0]);

struct sigaction g_previous[StopSignalCount];
bool g_installed = false;

extern "C" void OnStopSignal(int /*signal*/) {
    g_stopRequested.store(true, std::memory_order_relaxed);
}

} // namespace

bool OsInstallStopSignals() {
    g_stopRequested.store(false, std::memory_order_relaxed);
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < StopSignalCount; ++i) {
        // Only the first install keeps what was there before us.
        struct sigaction* previous = g_installed ? nullptr : &g_previous[i];
        if (sigaction(StopSignals[i], &action, previous) != 0) return false;
    }
    g_installed = true;
    return true;
}

void OsRemoveStopSignals() {
    if (g_installed) {
        for (int i = 0; i < StopSignalCount; ++i)
            sigaction(StopSignals[i], &g_previous[i], nullptr);
        g_installed = false;
    }
    g_stopRequested.store(false, std::memory_order_relaxed);
}

bool OsStopRequested() {
    return g_stopRequested.load(std::memory_order_relaxed);
}
