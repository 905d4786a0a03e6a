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

// The player on the command line: "r" plays again, any other line goes on, the end of input
// waits for the playing to end.
TEST(ConsoleHost, ThePlayerPrintsItsTextsAndTakesItsKeysFromTheInput)
{
    std::ostringstream err, texts;
    ConsoleHost host(err);
    int replays = 0, waits = 0;
    const AudioPlayerPage page{"x.wav - KOBA Audio Player", "Flute", "22050 samples, 1 s", [&] { ++replays; },
                               [&] { ++waits; }};
    for (const auto& [keys, expected] : {std::pair{"r\nr\n\nr\n", std::pair{2, 0}}, {"r\n", {3, 1}}, {"", {3, 2}}}) {
        std::istringstream in(keys);
        host.SetPlayer(nullptr, in, texts);
        EXPECT_EQ(host.ShowAudioPlayer(page), 1);
        EXPECT_EQ(std::pair(replays, waits), expected) << keys;
    }
    EXPECT_EQ(texts.str().substr(0, 60), "x.wav - KOBA Audio Player\nWave: Flute  (22050 samples, 1 s)\n");
}

}  // namespace
