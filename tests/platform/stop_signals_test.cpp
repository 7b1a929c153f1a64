#include "platform/stop_signals.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

namespace {

// The handler in place for a signal.
void (*HandlerOf(int signal))(int) {
    struct sigaction current = {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

// Each case leaves the test process's own handlers as it found them.
class StopSignalsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        OsRemoveStopSignals();
        if (SDL_WasInit(SDL_INIT_EVENTS)) SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
};

// SDL's event subsystem has handlers of its own for both signals, which only
// queue a quit event: ours must be the ones that run whether SDL starts
// before or after the install, and after SDL quits.
TEST_F(StopSignalsTest, SignalRaisesTheStopFlagWhateverSdlDoes) {
    enum class Order { SdlFirst, SdlAfter, SdlStartedAndQuit };
    const struct {
        int signal;
        Order order;
    } cases[] = {
        {SIGINT, Order::SdlFirst},  {SIGTERM, Order::SdlFirst},         {SIGINT, Order::SdlAfter},
        {SIGTERM, Order::SdlAfter}, {SIGINT, Order::SdlStartedAndQuit}, {SIGTERM, Order::SdlStartedAndQuit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "signal " << c.signal << ", order " << int(c.order));
        if (c.order == Order::SdlFirst) {
            ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
            EXPECT_NE(HandlerOf(c.signal), SIG_DFL); // SDL's own
        }
        ASSERT_TRUE(OsInstallStopSignals());
        EXPECT_FALSE(OsStopRequested());
        if (c.order != Order::SdlFirst) {
            ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        }
        if (c.order == Order::SdlStartedAndQuit) SDL_QuitSubSystem(SDL_INIT_EVENTS);
        ASSERT_EQ(raise(c.signal), 0);
        EXPECT_TRUE(OsStopRequested());
        TearDown();
    }
}

TEST_F(StopSignalsTest, InstallClearsAnEarlierRequest) {
    ASSERT_TRUE(OsInstallStopSignals());
    ASSERT_EQ(raise(SIGTERM), 0);
    ASSERT_TRUE(OsStopRequested());
    ASSERT_TRUE(OsInstallStopSignals());
    EXPECT_FALSE(OsStopRequested());
}

// A run that never comes back to its loop is ended by a second signal: after
// the first, the default action is in place again.
TEST_F(StopSignalsTest, SecondSignalTakesTheDefaultAction) {
    ASSERT_TRUE(OsInstallStopSignals());
    EXPECT_NE(HandlerOf(SIGINT), SIG_DFL);
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_EQ(HandlerOf(SIGINT), SIG_DFL);
    EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL);
}

TEST_F(StopSignalsTest, RemovePutsBackTheHandlersFound) {
    void (*const interrupt)(int) = HandlerOf(SIGINT);
    void (*const terminate)(int) = HandlerOf(SIGTERM);
    ASSERT_TRUE(OsInstallStopSignals());
    // A second install keeps what was there before the first.
    ASSERT_TRUE(OsInstallStopSignals());
    ASSERT_EQ(raise(SIGTERM), 0);
    OsRemoveStopSignals();
    EXPECT_FALSE(OsStopRequested());
    EXPECT_EQ(HandlerOf(SIGINT), interrupt);
    EXPECT_EQ(HandlerOf(SIGTERM), terminate);
}

} // namespace
