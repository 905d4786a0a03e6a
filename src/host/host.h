// The host seam: everything interactive the core needs (message boxes, the item property
// sheet, the Audio Player, clipboard, status bar, settings, temporary folder, starting a
// program). The GUI, the command-line tool and the tests each implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/settings.h"

class WaveStore;
class WaveOutDevices;
class MidiPorts;
class SoftwareSynth;
using ItemId = std::uint32_t;

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
enum class MessageIcon { None, Information, Question, Exclamation, Error };

struct Message {
    std::string text;
    std::string caption;
    Buttons buttons = Buttons::Ok;
    MessageIcon icon = MessageIcon::None;
    Answer defaultAnswer = Answer::Ok;
};

// The Audio Player for one wavesample that is playing: its texts, and the way back to its start.
struct AudioPlayerPage {
    std::string caption;  // "<file> - KOBA Audio Player"
    std::string name;
    std::string info;                      // "<n> samples, <s> s"
    std::function<void()> replay;          // plays again from the start
    std::function<void()> waitUntilDone;   // returns when the playing has reached the end
};

class Host {
public:
    virtual ~Host() = default;

    // A message box; returns the button pressed.
    virtual Answer Ask(const Message& message) = 0;
    // Shows an item's property sheet opened on page `firstPage` and returns when it closes.
    virtual void ShowItemProperties(WaveStore& store, ItemId item, int firstPage) = 0;
    // The modal Audio Player while a wavesample plays; returns 1 after "Next".
    virtual int ShowAudioPlayer(const AudioPlayerPage& page) = 0;
    // Puts a complete WAVE file on the clipboard.
    virtual bool SetClipboardWave(std::span<const std::uint8_t> wave) = 0;
    virtual void SetStatus(std::string_view text) = 0;
    // The status bar's text, to be put back after a passing one.
    virtual std::string StatusText() { return {}; }
    virtual ProgramSettings& Settings() = 0;

    // The wave output devices, or null where there is no audio output.
    virtual WaveOutDevices* WaveOutput() { return nullptr; }
    // The MIDI ports, or null where there is no MIDI.
    virtual MidiPorts* Midi() { return nullptr; }
    // The software wavetable synthesizer, or null where none is built in.
    virtual SoftwareSynth* Synth() { return nullptr; }
    // Runs `task` on the window's thread once what runs there now is done; a host without an
    // event loop runs it at once.
    virtual void Post(std::function<void()> task) { task(); }

    // Platform services with POSIX defaults; tests may override them.
    virtual std::string TempFolder();
    // A folder only this user can enter ($XDG_RUNTIME_DIR, else one made for the run), for
    // files of fixed names that another user must not plant or read; empty when none can be made.
    virtual std::string PrivateFolder();
    virtual bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);
    // The folder of the program's own executable, ending in '/'.
    virtual std::string ProgramFolder();
    // Blocks for one second (a retry's pause).
    virtual void WaitOneSecond();
    // Ends the program; the default exits the process.
    [[noreturn]] virtual void Exit(int code);

    // An "Attention!" box with an OK button.
    void Warn(std::string_view text);
    // What an export had to give up, each kind once; by default one warning each, a window
    // shows them in one box.
    virtual void ReportLosses(const std::vector<std::string>& losses);
    // A "QUIT!" box, then the end of the program with exit code 1.
    [[noreturn]] void Fatal(std::string_view text);
};
