// The import driver: choosing the row, running its reader and completing what readers leave
// open (defaults, program numbers, key regions, totals).
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <strings.h>

#include "host/host.h"
#include "store/creator_text.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

int AlwaysWeak(std::span<const std::uint8_t, kDetectBytes>)
{
    return 1;
}

std::string ExtensionOf(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

int DetectImportFormat(const WaveStore& store, const std::string& path, const File& file)
{
    std::uint8_t head[kDetectBytes] = {};
    file.ReadAt(0, head, sizeof head);
    const std::string extension = ExtensionOf(path);
    const std::span<const std::uint8_t, kDetectBytes> view(head, kDetectBytes);
    const std::span<const ImportFormat> rows = store.ImportRows();
    int best = 0;
    int bestScore = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        int score = rows[i].detect(view);
        if (strcasecmp(rows[i].extension, extension.c_str()) == 0) ++score;
        if (score >= bestScore) {  // the later row wins a tie
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

const ImportFormat* GetImportFormat(const WaveStore& store, int index)
{
    const std::span<const ImportFormat> rows = store.ImportRows();
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return nullptr;
    return &rows[static_cast<std::size_t>(index)];
}

bool WaveStore::Imp(const std::string& path)
{
    ClearStore();
    formatIndex = -1;
    fileSize = 0;
    importPath_ = path;
    cutShort_ = false;
    missingFrames_ = 0;
    File file = File::OpenRead(path);
    if (!file.IsOpen()) return FailOnFile("WaveStore::Imp", "Couldn't open input file", path, errno);
    fileSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(file.Size(), UINT32_MAX));
    formatIndex = DetectImportFormat(*this, path, file);
    const bool read = ImportRows()[static_cast<std::size_t>(formatIndex)].read(*this, file);
    file.Close();
    if (!read) return false;
    host.Settings().szLastFile = path;
    CompleteImport(path);
    return true;
}

void WaveStore::NoteCutShort(std::uint64_t missingFrames)
{
    cutShort_ = true;
    missingFrames_ += missingFrames;
}

void WaveStore::CompleteImport(const std::string& path)
{
    if (cutShort_) {
        host.Warn(missingFrames_ == 0 ? path + " is cut short"
                                      : path + " is cut short; " + std::to_string(missingFrames_) +
                                            " of its samples are missing");
    }
    CompleteWavesamples(path);
    CompleteInstruments();
    if (BankRec* bank = FetchBank()) {
        std::strncpy(bank->path, path.c_str(), kPathSize - 1);
    }
}

void WaveStore::CompleteWavesamples(const std::string& path)
{
    std::unordered_set<std::string> sources;
    ItemId id = 0;
    void* record = nullptr;
    for (std::uint32_t n = 0; NextItem(n, id, record); ++n) {
        if (!IsWave(id)) continue;
        auto& wave = *static_cast<WavesampleRec*>(record);
        const unsigned channels = wave.layout.channels;
        if (channels > 2 || channels == 0) {
            host.Warn(channels > 2 ? "More than 2 audio channels not supported" : "No audio channels in wavesample");
            DeleteItem(id);
            continue;
        }
        if (wave.loopEnd == 0 && wave.loopEndFrac == 0) wave.loopEnd = wave.length - 1;
        if (wave.sourcePath[0] == '\0') std::strncpy(wave.sourcePath, path.c_str(), kPathSize - 1);
        if (sources.insert(wave.sourcePath).second) sourceFiles_.emplace_back(wave.sourcePath);
    }
}

void WaveStore::CompleteInstruments()
{
    std::uint8_t nextProgram = 0;
    ItemId id = 0;
    void* record = nullptr;
    for (std::uint32_t n = 0; NextItem(n, id, record); ++n) {
        if (!IsInstrument(id)) continue;
        auto& instrument = *static_cast<InstrumentRec*>(record);
        if (instrument.program > 127) instrument.program = nextProgram++;
        if (instrument.note[0] == '\0') std::strcpy(instrument.note, kCreatorText);
        RecountInstrument(id);
        if (instrument.waveCount == 0) DeleteItem(id);
    }
}

void WaveStore::RecountInstrument(ItemId id)
{
    InstrumentRec* instrument = FetchInstrument(id);
    if (instrument == nullptr) return;
    instrument->waveCount = 0;
    instrument->totalBytes = 0;
    BuildRegions(*instrument, id);
}

// Turns the layer's key map into runs of equal entries that name an existing wavesample.
void WaveStore::BuildRegions(InstrumentRec& instrument, ItemId self)
{
    LayerRec& layer = instrument.layer;
    if (layer.present == 0) return;
    layer.layerBytes = 0;
    layer.regionCount = 0;
    std::uint64_t bytes = 0;
    bool havePrevious = false;
    ItemId previous = 0;
    for (int key = 0; key < 128; ++key) {
        layer.keyMap[key] |= kWaveKind;
        const ItemId entry = layer.keyMap[key];
        if (havePrevious && entry == previous) continue;
        if (layer.regionCount > 0) {
            KeyRegion& last = layer.regions[layer.regionCount - 1];
            if (havePrevious && last.wave == previous) {
                last.highKey = static_cast<std::uint8_t>(key - 1);
                if (WavesampleRec* wave = FetchWave(previous)) wave->highKey = last.highKey;
            }
        }
        if (WavesampleRec* wave = FetchWave(entry)) {
            layer.regions[layer.regionCount++] = {entry, static_cast<std::uint8_t>(key), 127};
            wave->lowKey = static_cast<std::uint8_t>(key);
            wave->highKey = 127;
            wave->owner = self;
            bytes += WaveBytes(*wave);
        }
        previous = entry;
        havePrevious = true;
    }
    layer.layerBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX));
    if (layer.regionCount == 0) layer.present = 0;
    instrument.waveCount += static_cast<std::uint32_t>(layer.regionCount);
    instrument.totalBytes = layer.layerBytes;
}
