// The console host: warnings on the error stream, questions answered by the policy.
#include "host/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ConsoleHost, WarningsGoToTheErrorStreamWithTheirCaption)
{
    std::ostringstream err;
    ConsoleHost host(err);
    host.Warn("More than 2 audio channels not supported");
    EXPECT_EQ(err.str(), "Attention!: More than 2 audio channels not supported\n");
}

TEST(ConsoleHost, QuestionsFollowThePolicy)
{
    std::ostringstream err;
    ConsoleHost host(err);
    const Message question{"Overwrite?", "x.wav", Buttons::YesNoCancel, MessageIcon::Question, Answer::Yes};
    EXPECT_EQ(host.Ask(question), Answer::Cancel);
    host.SetPolicy(ConsoleHost::Policy::Decline);
    EXPECT_EQ(host.Ask(question), Answer::No);
    host.SetPolicy(ConsoleHost::Policy::Accept);
    EXPECT_EQ(host.Ask(question), Answer::Yes);
    EXPECT_EQ(host.Ask({"Go on?", "Unknown file type!", Buttons::OkCancel, MessageIcon::None, Answer::Ok}),
              Answer::Ok);
}

TEST(ConsoleHostDeathTest, FatalEndsWithExitCodeOne)
{
    std::ostringstream err;
    ConsoleHost host(err);
    EXPECT_EXIT(host.Fatal("EXIT: Out of memory"), ::testing::ExitedWithCode(1), "");
}

}  // namespace
