// SFZ instrument writer: a text file of regions, its wavesamples as WAVE files (with their
// loops) in a folder beside it named after it. Each store instrument is a group of regions.
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cctype>
#include <cmath>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "formats/formats.h"
#include "formats/instrument/sbk.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sfz_Write";
constexpr std::size_t kMostNameBytes = 64;

bool IsDeviceName(const std::string& stem)
{
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    for (const char* device : kDevices) {
        if (strcasecmp(stem.c_str(), device) == 0) return true;
    }
    const bool numbered = stem.size() == 4 && stem[3] >= '0' && stem[3] <= '9';
    return numbered && (strncasecmp(stem.c_str(), "COM", 3) == 0 || strncasecmp(stem.c_str(), "LPT", 3) == 0);
}

// A name every file system takes and every SFZ reader reads in one piece: letters, digits and
// - _ ( ) only, no leading or trailing dot, no device name of the older systems.
std::string SafeName(std::string_view text)
{
    std::string name;
    for (const char c : text.substr(0, kMostNameBytes)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '(' || c == ')' || c == '.';
        name += plain ? c : '_';
    }
    if (name.empty()) name = "sample";
    if (name.front() == '.') name.front() = '_';
    if (name.back() == '.') name.back() = '_';
    const std::string stem = name.substr(0, name.find('.'));
    return IsDeviceName(stem) ? "_" + name : name;
}

// The name of the target file without its folder and extension.
std::string StemOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.rfind('.'));
}

std::string Folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Each wavesample's file name, unique in the folder even where case does not count; a name
// that comes again is numbered from where its last one stopped.
std::vector<std::string> SampleFileNames(const std::vector<WavesampleRec*>& waves)
{
    std::vector<std::string> names;
    std::unordered_set<std::string> taken;
    std::unordered_map<std::string, int> nextNumber;  // the numbers each name has had
    for (const WavesampleRec* wave : waves) {
        const std::string base = SafeName(wave->name);
        int& numbered = nextNumber[Folded(base)];
        std::string name = base + ".wav";
        while (taken.contains(Folded(name))) name = base + "_" + std::to_string(++numbered + 1) + ".wav";
        taken.insert(Folded(name));
        names.push_back(name);
    }
    return names;
}

bool WriteSampleFile(WaveStore& store, ItemId id, const std::string& path)
{
    File file = File::Create(path);
    if (!file.IsOpen()) return FailOnFile(kWhere, "Couldn't create output file", path, errno);
    if (!wav_Write(store, &file, id)) return false;
    const int error = file.WriteError();
    file.Close();
    return error == 0 || FailOnFile(kWhere, "File Write Error", path, error);
}

std::string Decimal(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3).ptr;
    return std::string(text, end);
}

// Text that stays on its comment line.
std::string CommentText(const char* text)
{
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return line;
}

std::string EnvelopeOpcodes(const WavesampleRec& wave)
{
    VolumeEnvelope envelope;
    if (!SbkVolumeEnvelope(wave, envelope)) return {};
    const double sustain = 100 * std::pow(10.0, -envelope.sustainCentibels / 200.0);
    return " ampeg_attack=" + Decimal(envelope.attack) + " ampeg_decay=" + Decimal(envelope.decay) +
           " ampeg_sustain=" + Decimal(sustain) + " ampeg_release=" + Decimal(envelope.release);
}

std::string RegionLine(WaveStore& store, const BankInstrument& instrument, const BankZone& zone,
                       const std::string& sample)
{
    const WavesampleRec& wave = *zone.wave;
    std::string line = "<region> sample=" + sample + " lokey=" + std::to_string(zone.lowKey) +
                       " hikey=" + std::to_string(zone.highKey) + " pitch_keycenter=" + std::to_string(wave.rootKey);
    if (const int cents = SbkFineCents(wave.fineTune)) line += " tune=" + std::to_string(cents);
    if (const int centibels = SbkVolumeCentibels(instrument.volume, wave.volume))
        line += " volume=" + Decimal(-centibels / 10.0);
    if (wave.pan != 63) line += " pan=" + std::to_string(std::clamp((wave.pan - 63) * 100 / 63, -100, 100));
    const LoopPoints loop = LoopToWrite(store, wave);
    if (Loops(wave) && loop.end > loop.start) {
        // The last frame the loop plays: SFZ counts it in.
        line += " loop_mode=loop_continuous loop_start=" + std::to_string(loop.start) +
                " loop_end=" + std::to_string(loop.end - 1);
    } else {
        line += " loop_mode=no_loop";
    }
    return line + EnvelopeOpcodes(wave) + "\n";
}

void NoteLosses(WaveStore& store, const BankContents& contents)
{
    if (contents.instruments.size() > 1) store.NoteLoss("Instruments layered as groups of one SFZ instrument");
    for (const WavesampleRec* wave : contents.waves) {
        if (Loops(*wave) && (wave->loopFlags & (kLoopBidirectional | kLoopReverse)) != 0)
            store.NoteLoss("Bidirectional and reverse loops played forward");
        if (Loops(*wave) && (wave->loopStartFrac != 0 || wave->loopEndFrac != 0))
            store.NoteLoss("Loop fractions dropped");
    }
}

}  // namespace

bool sfz_Write(WaveStore& store, File* file, ItemId item)
{
    BankContents contents;
    if (!CollectBank(store, item, contents)) return RefuseKind(kWhere, "SFZ");
    if (file == nullptr) return Fail(kWhere, "File Write Error");
    NoteLosses(store, contents);
    const std::string folder = SafeName(StemOf(store.ExportTarget()));
    const std::vector<std::string> names = SampleFileNames(contents.waves);
    for (std::size_t i = 0; i < contents.waves.size(); ++i) {
        contents.waves[i]->exportIndex = static_cast<std::uint32_t>(i);
        const std::string path = store.StageFile(folder, names[i]);
        if (path.empty() || !WriteSampleFile(store, contents.waveIds[i], path)) return false;
    }
    std::string text = std::string("// ") + kCreatedByText + "\n";
    for (const BankInstrument& instrument : contents.instruments) {
        text += "\n<group> // " + CommentText(instrument.name) + "\n";
        for (const BankZone& zone : instrument.zones)
            text += RegionLine(store, instrument, zone, folder + "/" + names[zone.wave->exportIndex]);
    }
    return file->Write(text.data(), text.size()) || Fail(kWhere, "File Write Error");
}
