// The test host.
#include "kit/scripted_host.h"

Answer ScriptedHost::Ask(const Message& message)
{
    messages.push_back(message);
    if (answers_.empty() || message.buttons == Buttons::Ok) return message.defaultAnswer;
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedHost::ShowItemProperties(WaveStore& store, ItemId item, int firstPage)
{
    sheets.push_back({item, firstPage});
    if (sheet_) sheet_(store, item, firstPage);
}

int ScriptedHost::ShowAudioPlayer(const AudioPlayerPage& page)
{
    played.push_back(page.caption + "|" + page.name + "|" + page.info);
    if (onPlayer) onPlayer(page);
    return 1;
}

bool ScriptedHost::SetClipboardWave(std::span<const std::uint8_t> wave)
{
    clipboard.emplace_back(wave.begin(), wave.end());
    return true;
}

std::vector<std::string> ScriptedHost::Texts(const std::string& caption) const
{
    std::vector<std::string> texts;
    for (const Message& m : messages) {
        if (m.caption == caption) texts.push_back(m.text);
    }
    return texts;
}
