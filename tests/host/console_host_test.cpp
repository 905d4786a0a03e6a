// The console host: telling boxes on the error stream, questions answered by the policy.
#include "host/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ConsoleHostDeathTest, PrintsTellingBoxesAndAnswersQuestionsByThePolicy)
{
    std::ostringstream err;
    ConsoleHost host(err);
    host.Warn("More than 2 audio channels not supported");
    const Message question{"x.wav", "Overwrite?", Buttons::YesNoCancel, MessageIcon::Question, Answer::Yes};
    const Message okCancel{"Go on?", "Unknown file type!", Buttons::OkCancel, MessageIcon::None, Answer::Ok};
    using enum Answer;
    using Policy = ConsoleHost::Policy;
    for (const auto& [policy, yesNoCancel, okOrCancel] :
         {std::tuple{Policy::Cancel, Cancel, Cancel}, {Policy::Decline, No, Cancel}, {Policy::Accept, Yes, Ok}}) {
        host.SetPolicy(policy);
        EXPECT_EQ(std::tuple(host.Ask(question), host.Ask(okCancel)), std::tuple(yesNoCancel, okOrCancel));
    }
    EXPECT_EQ(err.str(), "Attention!: More than 2 audio channels not supported\n");  // questions print nothing
    EXPECT_EXIT(host.Fatal("EXIT: Out of memory"), ::testing::ExitedWithCode(1), "");
}

}  // namespace
