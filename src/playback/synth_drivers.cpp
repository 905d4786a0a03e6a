// The synthesizer table and its drivers: the GUS through its patch configuration file and its
// MIDI driver's patch caching, the WaveFront and AWE32 cards through their makers' loader
// programs, and KOBA's own software synthesizer.
#include <strings.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/text_file.h"
#include "host/host.h"
#include "playback/play.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

constexpr std::uint8_t kProgram0[] = {0xC0, 0x00};

bool TooLarge(Play& play, const char* location)
{
    play.host.Ask({"Patch to large", location, Buttons::Ok, MessageIcon::Exclamation, Answer::Ok});
    return false;
}

bool Fits(Play& play, std::uint64_t size, std::uint64_t limit, const char* location)
{
    return size <= limit || TooLarge(play, location);
}

std::string Trimmed(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// Replaces the whole contents of `[section]` of an INI file by `entries` (the section is added
// at the end when the file has none); the file keeps its line ends.
bool WriteIniSection(const std::string& path, const std::string& section, const std::vector<std::string>& entries)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream read;
    read << in.rdbuf();
    const std::string text = read.str();
    const std::string end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string header = "[" + section + "]";
    std::string out;
    bool inSection = false, written = false;
    const auto writeSection = [&] {
        out += header + end;
        for (const std::string& entry : entries) out += entry + end;
        written = true;
    };
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inSection = !written && strcasecmp(trimmed.c_str(), header.c_str()) == 0;
            if (inSection) {
                writeSection();
                continue;
            }
        }
        if (!inSection) out += line + end;
    }
    if (!written) writeSection();
    return WriteTextFile(path, out);
}

void Cache(Play& play, unsigned bank, PatchCache mode)
{
    if (MidiOut* out = play.Output()) out->CachePatches(bank, play.gus.patches, mode);
}

constexpr char kGusSection[] = "Melodic Bank 999";
constexpr std::uint8_t kChannel2FullVolume[] = {0xB1, 0x07, 0x7F};

bool gus_DevOpen(Play& play, const std::string& folder, const std::string& name)
{
    const char* dir = std::getenv("ULTRADIR");
    if (dir == nullptr) return Fail("gus_DevOpen", "ULTRADIR variable not set");
    std::string path = dir;
    if (path.empty() || path.back() != '/') path += '/';
    play.gus.iniPath = path + "ULTRASND.INI";
    std::error_code error;
    if (!std::filesystem::is_regular_file(play.gus.iniPath, error)) {
        return Fail("gus_DevOpen", "Couldn't find ULTRASND.INI");
    }
    const std::vector<std::string> entries = {"BankName=VEK-Software temporary bank", "PatchDir=" + folder,
                                              "0=" + name.substr(0, name.size() - 4)};
    if (!WriteIniSection(play.gus.iniPath, kGusSection, entries)) {
        return Fail("gus_DevOpen", "Couldn't modify ULTRSND.INI");
    }
    play.gus.patches[20] = 1;
    Cache(play, 0, PatchCache::BestFit);
    Cache(play, 0, PatchCache::Uncache);
    play.Send(kChannel2FullVolume);
    return true;
}

bool gus_DevClose(Play& play)
{
    if (!play.gus.iniPath.empty()) (void)WriteIniSection(play.gus.iniPath, kGusSection, {});
    play.gus.patches[20] = 1;
    Cache(play, 0, PatchCache::BestFit);
    Cache(play, 0, PatchCache::Uncache);
    return true;
}

bool gus_DevLoad(Play& play, const std::string&, const std::string&)
{
    Cache(play, 999, PatchCache::Uncache);
    play.gus.patches[0] = 0x00DF;
    Cache(play, 999, PatchCache::BestFit);
    if (play.gus.patches[0] == 0) return Fail("gus_DevLoad", "Couldn't load patch to GUS");
    play.Send(kProgram0);
    return true;
}

bool gus_DevOkay(Play& play, ItemId item, std::uint64_t size)
{
    if (IsInstrument(item)) return Fits(play, size, 0x100000, "gus_DevOkay");
    const WavesampleRec* wave = IsWave(item) ? play.Store().FetchWave(item) : nullptr;
    if (wave == nullptr) return false;
    return Fits(play, size, DeliveredFormat(wave->layout).bytesPerSample > 1 ? 0x40000 : 0x100000, "gus_DevOkay");
}

constexpr char kWfsLoader[] = "WFSLOAD.EXE";

bool wfs_DevOpen(Play& play, const std::string&, const std::string&)
{
    play.host.SetStatus("Initializing WaveFront...");
    play.RunLoader(kWfsLoader, {"__INIT__"});
    play.host.SetStatus("ready.");
    return true;
}

bool wfs_DevClose(Play& play)
{
    play.host.SetStatus("Resetting WaveFront...");
    play.RunLoader(kWfsLoader, {"__RESET__"});
    play.host.SetStatus("ready.");
    return true;
}

bool wfs_DevLoad(Play& play, const std::string& folder, const std::string& name)
{
    // A program (KOBA.WFP) goes to program slot 0.
    if (!name.empty() && name.back() == 'P') {
        play.RunLoader(kWfsLoader, {"0", folder + name});
    } else {
        play.RunLoader(kWfsLoader, {folder + name});
    }
    play.Send(kProgram0);
    return true;
}

bool wfs_DevOkay(Play& play, ItemId, std::uint64_t size)
{
    return Fits(play, size, 0x1840000, "wfs_DevOkay");
}

constexpr char kAweLoader[] = "AWELOAD.EXE";

bool awe_DevOpen(Play&, const std::string&, const std::string&)
{
    return true;
}

bool awe_DevClose(Play& play)
{
    play.RunLoader(kAweLoader, {"127"});
    return true;
}

bool awe_DevLoad(Play& play, const std::string& folder, const std::string& name)
{
    play.ReleaseOutput();  // the loader needs the card
    play.RunLoader(kAweLoader, {"127", folder + name});
    play.ReacquireOutput();  // succeeds once the loader has let the card go
    constexpr std::uint8_t kBank127[] = {0xB0, 0x00, 0x7F}, kBankFine0[] = {0xB0, 0x20, 0x00};
    play.Send(kBank127);
    play.Send(kBankFine0);
    play.Send(kProgram0);
    return true;
}

bool awe_DevOkay(Play& play, ItemId, std::uint64_t size)
{
    return Fits(play, size, 0x1C00000, "awe_DevOkay");
}

// The software synthesizer is opened as the MIDI output; loading reads the file itself.
bool soft_DevOpen(Play&, const std::string&, const std::string&)
{
    return true;
}

bool soft_DevClose(Play&)
{
    return true;
}

bool soft_DevLoad(Play& play, const std::string& folder, const std::string& name)
{
    SoftwareSynth* synth = play.host.Synth();
    return synth != nullptr ? synth->Load(folder + name) : Fail("soft_DevLoad", "No software synthesizer");
}

bool soft_DevOkay(Play&, ItemId, std::uint64_t)
{
    return true;
}

}  // namespace

// Port names of the cards' MIDI outputs as their drivers name them.
const std::array<SynthDevice, 4> kSynthDevices = {{
    {"PAT",
     "Advanced Gravis UltraSound",
     {"UltraSound", "GF1", nullptr},
     false,
     gus_DevOpen,
     gus_DevClose,
     gus_DevLoad,
     gus_DevOkay},
    {"WFP",
     "Turtle Beach Maui or Tropez",
     {"WaveFront", "Maui", "Tropez"},
     false,
     wfs_DevOpen,
     wfs_DevClose,
     wfs_DevLoad,
     wfs_DevOkay},
    {"SBK",
     "Creative Labs Sound Blaster AWE32",
     {"AWE32", "Emu8000", nullptr},
     false,
     awe_DevOpen,
     awe_DevClose,
     awe_DevLoad,
     awe_DevOkay},
    // GF1 patches carry what KOBA's synthesizer plays: key map, envelope and both loop kinds.
    {"PAT",
     "KOBA Software Wavetable",
     {nullptr, nullptr, nullptr},
     true,
     soft_DevOpen,
     soft_DevClose,
     soft_DevLoad,
     soft_DevOkay},
}};
