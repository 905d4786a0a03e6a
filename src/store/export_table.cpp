// The export format table. Row order is what the Save As dialog offers and remembers.
#include <array>

#include "formats/audio/wav_write.h"
#include "formats/instrument/pat_write.h"
#include "formats/instrument/sbk_write.h"
#include "store/export_format.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

// Rows whose writer is not written yet refuse clearly under the writer's own location.
template <const char* Location>
bool WriteNotSupported(WaveStore&, File*, ItemId)
{
    return Fail(Location, "Writing this format is not supported yet");
}

constexpr char kDac[] = "dac_Write";
constexpr char kClip[] = "clip_Write";
constexpr char kAu[] = "au_Write";
constexpr char kAiff[] = "aiff_Write";
constexpr char kIff[] = "iff_Write";
constexpr char kRaw[] = "raw_Write";
constexpr char kSds[] = "sds_Write";
constexpr char kSnd[] = "snd_Write";
constexpr char kTxt[] = "txt_Write";
constexpr char kWfs[] = "wfs_Write";

constexpr std::uint32_t kWave = kWaveKind;
constexpr std::uint32_t kInst = kInstrumentKind;
constexpr std::uint32_t kBank = kBankId;
constexpr std::uint32_t kFolder = kFolderKind;

constexpr std::array<ExportFormat, 14> kExportFormats = {{
    {"'DAC'", WriteNotSupported<kDac>, "Digital Audio Playback Device", kWave | kInst | kBank, true, kDac},
    {"'CLIP'", WriteNotSupported<kClip>, "Copy to Windows Clipboard", kWave, true, kClip},
    {"au", WriteNotSupported<kAu>, "Sun Audio Format", kWave, false, kAu},
    {"aif", WriteNotSupported<kAiff>, "Audio Interchange File Format", kWave, false, kAiff},
    {"iff", WriteNotSupported<kIff>, "Interchange File Format", kWave, false, kIff},
    {"pat", pat_Write, "Advanced Gravis UltraSound Patch", kWave | kInst, false, "pat_Write"},
    {"raw", WriteNotSupported<kRaw>, "Raw Signed Data", kWave, false, kRaw},
    {"sbk", sbk_Write, "Emu SoundFonts Bank / SB AWE32", kWave | kInst | kBank, false, "sbk_Write"},
    {"sds", WriteNotSupported<kSds>, "Midi Sample Dump", kWave, false, kSds},
    {"snd", WriteNotSupported<kSnd>, "Raw Unsigned Data", kWave, false, kSnd},
    {"txt", WriteNotSupported<kTxt>, "Ascii Text Description", kWave | kInst | kBank | kFolder, false, kTxt},
    {"wav", wav_Write, "Ms Windows PCM waves", kWave, false, "wav_Write"},
    {"wfb", WriteNotSupported<kWfs>, "Turtle Beach WaveFront Bank", kBank, false, kWfs},
    {"wfp", WriteNotSupported<kWfs>, "Turtle Beach WaveFront Program", kWave | kInst, false, kWfs},
}};

}  // namespace

std::span<const ExportFormat> ExportTable()
{
    return kExportFormats;
}
