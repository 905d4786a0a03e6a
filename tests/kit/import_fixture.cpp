// The shared import fixture.
#include "kit/import_fixture.h"

#include <cstring>

#include "formats/format_tables.h"
#include "kit/capture_sink.h"
#include "store/copy_routines.h"
#include "support/last_error.h"

namespace {

// Decoding widens at most 8 times: 2-bit IMA codes become 16-bit samples.
constexpr std::uint64_t kMaxGrowth = 8;

Bytes Prefix(const Bytes& full, std::size_t count)
{
    return Bytes{}.Append(std::vector<std::uint8_t>(full.Data().begin(), full.Data().begin() + count));
}

}  // namespace

KobaStore::KobaStore(Host& host) : WaveStore(host, ImportTable(), ExportTable()) {}

void WriteBankOfNames(const std::string& path, const std::vector<std::string>& names)
{
    ScriptedHost host;
    KobaStore store{host};
    store.NewBank("Names", 5);
    const std::string data = path + ".raw";
    WriteFileBytes(data, std::vector<std::uint8_t>(100, 3));
    std::uint32_t index = 0;
    for (const std::string& name : names) {
        WavesampleRec& w = *store.NewWavesample(++index, std_Copy, name.c_str(), static_cast<int>(name.size()));
        std::strcpy(w.sourcePath, data.c_str());
        w.layout = SampleLayout{.bits = 16, .bytes = 100}, w.length = 50, w.owner = NO_ITEM;
    }
    if (!store.Exp(path, kBankId)) throw std::runtime_error(LastError.message);
}

bool ImportFixture::Import(const Bytes& bytes, const std::string& name)
{
    file = std::make_unique<TempFile>(name, bytes);
    return store.Imp(file->Path());
}

const WavesampleRec& ImportFixture::Wave(std::uint32_t index) const
{
    const WavesampleRec* wave = store.FetchWave(kWaveKind | index);
    if (wave == nullptr) throw std::runtime_error("no wavesample " + std::to_string(index));
    return *wave;
}

const InstrumentRec& ImportFixture::Instrument(std::uint32_t index) const
{
    const InstrumentRec* instrument = store.FetchInstrument(kInstrumentKind | index);
    if (instrument == nullptr) throw std::runtime_error("no instrument " + std::to_string(index));
    return *instrument;
}

std::size_t ImportFixture::Count(ItemId kind) const
{
    std::size_t n = 0;
    store.ForEachItem([&](ItemId id, const void*) { n += (id & kKindMask) == kind || id == kind ? 1 : 0; });
    return n;
}

void ImportFixture::SweepTruncations(const Bytes& full, const std::string& name, std::size_t maxItems, std::size_t from,
                                     std::size_t step)
{
    for (std::size_t cut = from; cut <= full.Size(); cut += step) {
        if (!Import(Prefix(full, cut), name)) continue;
        std::size_t items = 0;
        std::uint64_t decoded = 0;
        store.ForEachItem([&](ItemId id, const void* record) {
            ++items;
            if (!IsWave(id)) return;
            const auto& wave = *static_cast<const WavesampleRec*>(record);
            // A general layout may claim no more frames than the bytes present in the file hold.
            if (IsGeneralCopyRoutine(wave.copyRoutine)) {
                const std::uint64_t present = wave.layout.offset < cut ? cut - wave.layout.offset : 0;
                EXPECT_LE(wave.length, FramesIn(wave.layout, std::min(present, wave.layout.bytes))) << "cut " << cut;
            }
            CaptureSink capture;
            EXPECT_TRUE(CaptureWave(wave, capture)) << "cut " << cut << ": " << LastError.message;
            EXPECT_EQ(capture.frames, wave.length) << "cut " << cut;
            decoded += capture.bytes.size();
        });
        EXPECT_LE(items, maxItems) << "cut " << cut;
        EXPECT_LE(decoded, kMaxGrowth * cut + 64) << "cut " << cut;
    }
}

void ImportFixture::SweepEachTruncation(std::span<const Cut> cases)
{
    for (const Cut& c : cases) {
        ASSERT_TRUE(Import(c.file, c.name)) << c.name << ": " << LastError.location << ": " << LastError.message;
        EXPECT_GT(Count(kWaveKind), 0u) << c.name;
        SweepTruncations(c.file, c.name, Count(kWaveKind) + Count(kInstrumentKind) + 2, 0, c.step);
    }
}
