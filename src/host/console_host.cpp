// Host for runs without a window.
#include "host/console_host.h"

#include <istream>
#include <ostream>
#include <string>

ConsoleHost::ConsoleHost(std::ostream& err) : err_(err) {}

// The answer a policy gives to a box with the given buttons.
static Answer Answering(ConsoleHost::Policy policy, Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return policy == ConsoleHost::Policy::Accept ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
        return policy == ConsoleHost::Policy::Accept ? Answer::Yes : Answer::No;
    case Buttons::YesNoCancel:
        if (policy == ConsoleHost::Policy::Accept) return Answer::Yes;
        return policy == ConsoleHost::Policy::Decline ? Answer::No : Answer::Cancel;
    }
    return Answer::Cancel;
}

// Boxes with only an OK button tell the user something and are printed; questions are
// answered by the policy without a word.
Answer ConsoleHost::Ask(const Message& message)
{
    if (message.buttons == Buttons::Ok) err_ << message.caption << ": " << message.text << '\n';
    return Answering(policy_, message.buttons);
}

void ConsoleHost::ShowItemProperties(WaveStore& store, ItemId item, int firstPage)
{
    if (sheet_) sheet_(store, item, firstPage);
}

int ConsoleHost::ShowAudioPlayer(const AudioPlayerPage& page)
{
    if (texts_ != nullptr) {
        *texts_ << page.caption << "\nWave: " << page.name << "  (" << page.info << ")\n"
                << "  Enter: >> Next >>   r, Enter: > (again)\n" << std::flush;
    }
    std::string line;
    while (keys_ != nullptr && std::getline(*keys_, line)) {
        if (line != "r") return 1;
        page.replay();
    }
    page.waitUntilDone();
    return 1;
}

bool ConsoleHost::SetClipboardWave(std::span<const std::uint8_t>)
{
    return false;
}

void ConsoleHost::SetStatus(std::string_view) {}
