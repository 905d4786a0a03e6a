// MIDI thru over real JACK ports: a stand-in keyboard plays into KOBA's input, and what KOBA
// forwards arrives at a port named like an AWE32's output. The forwarding runs on the thread
// that runs the host's posted tasks, as the window's event loop would.
#include <rtmidi/RtMidi.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "audio/rtmidi_ports.h"
#include "kit/import_fixture.h"
#include "playback/play.h"
#include "support/last_error.h"

namespace {

// Runs posted tasks only when the test pumps them.
struct QueueHost : ScriptedHost {
    void Post(std::function<void()> task) override
    {
        const std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
    }
    void RunPosted()
    {
        std::vector<std::function<void()>> now;
        {
            const std::lock_guard lock(mutex);
            now.swap(tasks);
        }
        for (const auto& task : now) task();
    }
    std::mutex mutex;
    std::vector<std::function<void()>> tasks;
};

// A JACK server of its own (the dummy driver, no sound card), stopped by its process id.
struct JackServer {
    JackServer()
    {
        const std::string name = "koba-thru-" + std::to_string(::getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        setenv("KOBA_MIDI_API", "jack", 1);
        const std::string start = "exec jackd -n " + name + " --no-realtime -d dummy -r 48000 -p 256 >/dev/null 2>&1";
        if ((pid = ::fork()) == 0) {
            ::execl("/bin/sh", "sh", "-c", start.c_str(), nullptr);
            ::_exit(127);
        }
        const std::string wait = "jack_wait -s " + name + " -w -t 10 >/dev/null 2>&1";
        running = pid > 0 && std::system(wait.c_str()) == 0;
    }
    ~JackServer()
    {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid_t pid = -1;
    bool running = false;
};

TEST(JackThru, ChannelMessagesGoToChannel1AndSystemMessagesPassUnchanged)
{
    JackServer jack;
    ASSERT_TRUE(jack.running) << "jackd did not start";
    RtMidiOut keyboard(RtMidi::UNIX_JACK, "harness");
    keyboard.openVirtualPort("to-koba");
    RtMidiIn card(RtMidi::UNIX_JACK, "harness-in");
    card.ignoreTypes(false, false, false);
    card.openVirtualPort("AWE32 stand-in");

    QueueHost host;
    RtMidiPorts ports;
    host.midi = &ports;
    KobaStore store(host);
    Play play(store, host);
    const std::vector<std::string> inputs = play.InputNames();
    const auto input = std::find(inputs.begin(), inputs.end(), "harness:to-koba");
    ASSERT_NE(input, inputs.end());
    ASSERT_TRUE(play.DevOpen(static_cast<std::int32_t>(input - inputs.begin()), 2)) << LastError.message;

    const std::vector<std::vector<unsigned char>> played = {
        {0x95, 60, 100}, {0x94, 60, 0}, {0xEF, 0x00, 0x40}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, {0xF8}};
    const std::vector<std::vector<unsigned char>> expected = {
        {0x90, 60, 100}, {0x80, 60, 64}, {0xE0, 0x00, 0x40}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, {0xF8}};
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // connections settle
    for (const auto& message : played) keyboard.sendMessage(&message);
    std::vector<std::vector<unsigned char>> received;
    for (int tries = 0; tries < 500 && received.size() < expected.size(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        host.RunPosted();
        std::vector<unsigned char> message;
        while (card.getMessage(&message), !message.empty()) received.push_back(message);
    }
    EXPECT_EQ(received, expected);
    play.DevClose();
}

}  // namespace
