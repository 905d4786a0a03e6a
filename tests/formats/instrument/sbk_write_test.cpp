// The SoundFont writer byte for byte, and banks read back by the reader.
#include "formats/instrument/sbk_write.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/capture_sink.h"
#include "kit/riff_file.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/creator_text.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

std::uint32_t Le32At(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}

// Where a chunk's body starts (searching the whole file for its id).
std::size_t ChunkBody(const std::vector<std::uint8_t>& f, const char* id)
{
    for (std::size_t at = 0; at + 8 <= f.size(); ++at) {
        if (std::memcmp(&f[at], id, 4) == 0) return at + 8;
    }
    return 0;
}

struct WriteFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    TempDir dir;

    WavesampleRec& Wave(std::uint32_t index, const char* name, std::uint8_t bits, std::uint32_t length, CopyRoutine copy = std_Copy)
    {
        Bytes data;
        for (std::uint32_t i = 0; i < length; ++i) bits == 8 ? data.U8(i & 0x7F) : data.Le16(i * 3);
        const std::string source = dir / ("w" + std::to_string(index) + ".raw");
        WriteFileBytes(source, data.Data());
        WavesampleRec& w = *store.NewWavesample(index, copy, name, static_cast<int>(std::strlen(name)));
        std::strcpy(w.sourcePath, source.c_str());
        w.bits = bits, w.bytesPerSample = bits > 8 ? 2 : 1, w.isSigned = 1, w.length = length, w.loopEnd = length - 1;
        return w;
    }
    InstrumentRec& Instrument(std::uint32_t index, const char* name, std::vector<KeyRegion> regions)
    {
        InstrumentRec& i = *store.NewInstrument(index, NO_ITEM, name, static_cast<int>(std::strlen(name)));
        i.layer.regionCount = static_cast<int>(regions.size());
        for (std::size_t r = 0; r < regions.size(); ++r) {
            i.layer.regions[r] = regions[r];
            for (int key = regions[r].lowKey; key <= regions[r].highKey; ++key) i.layer.keyMap[key] = regions[r].wave;
            WavesampleRec& w = *store.FetchWave(regions[r].wave);
            w.owner = kInstrumentKind | index, w.lowKey = regions[r].lowKey, w.highKey = regions[r].highKey;
        }
        return i;
    }
    std::vector<std::uint8_t> Export(ItemId id, const std::string& name = "out.sbk")
    {
        EXPECT_TRUE(store.Exp(dir / name, id)) << LastError.location << ": " << LastError.message;
        return ReadFileBytes(dir / name);
    }
};

using SbkWrite = WriteFixture;

TEST_F(SbkWrite, AnEightBitFluteByteForByte)
{
    store.NewBank("Winds", 5);
    WavesampleRec& w = Wave(1, "Flute", 8, 1000);
    w.sampleRate = 22050, w.loopStart = 100, w.loopEnd = 900, w.loopFlags = kLoopFound;
    Bytes data;
    for (int i = 0; i < 1000; ++i) data.Le16((i & 0x7F) << 8);
    data.Zeros(80);
    const Bytes expected = RiffForm("sfbk", {
        ListChunk("INFO", {Chunk("ifil", Bytes{}.Le16(1, 0)), Chunk("isng", Bytes{}.Text("EMU8000", 8)),
                           Chunk("irom", Bytes{}.Text("1MGM", 6)), Chunk("iver", Bytes{}.Le16(2, 8)),
                           Chunk("INAM", Bytes{}.Text("Winds", 6)), Chunk("IPRD", Bytes{}.Text("SBAWE32", 8)),
                           Chunk("IENG", Bytes{}.Text("Unknown", 8)), Chunk("ISFT", Bytes{}.Text("SFSTORE.DLL v1.0", 18)),
                           Chunk("ICRD", Bytes{}.Text(" 1  1 95", 10)), Chunk("ICOP", Bytes{}.Text(kCreatedByText, 58))}),
        ListChunk("sdta", {Chunk("snam", Bytes{}.Text("Flute", 20)), Chunk("smpl", data)}),
        ListChunk("pdta", {Chunk("phdr", Bytes{}.Text("Flute", 20).Le16(0, 0, 0).Zeros(12).Text("EOP", 20).Le16(0, 0, 1).Zeros(12)),
                           Chunk("pbag", Bytes{}.Le16(0, 0, 1, 0)), Chunk("pmod", Bytes{}.Zeros(6)),
                           Chunk("pgen", Bytes{}.Le16(41, 0, 0, 0)),
                           Chunk("inst", Bytes{}.Text("Flute", 20).Le16(0).Text("EOI", 20).Le16(1)),
                           Chunk("ibag", Bytes{}.Le16(0, 0, 8, 0)), Chunk("imod", Bytes{}.Zeros(6)),
                           Chunk("igen", Bytes{}.Le16(43, 127 * 256, 29, 127, 37, 127, 58, 60, 55, 7199, 48, 127, 54, 1, 53, 0)),
                           Chunk("shdr", Bytes{}.Le32(0, 1000, 100, 900))})});
    EXPECT_EQ(Export(kWaveKind | 1), expected.Data());
}

TEST_F(SbkWrite, ABankListsLooseWavesamplesFirstThenInstruments)
{
    store.NewBank("Kit", 3);
    for (std::uint32_t i = 1; i <= 6; ++i) Wave(i, ("w" + std::to_string(i)).c_str(), 16, 10);
    Instrument(1, "two", {{kWaveKind | 1, 0, 59}, {kWaveKind | 2, 60, 127}});
    Instrument(2, "three", {{kWaveKind | 3, 0, 39}, {kWaveKind | 4, 40, 79}, {kWaveKind | 5, 80, 127}});
    const std::vector<std::uint8_t> out = Export(kBankId);
    const std::size_t phdr = ChunkBody(out, "phdr");
    ASSERT_EQ(Le32At(out, phdr - 4), 38u * 4);
    const auto firstZone = [&](int preset) { return out[phdr + 38 * preset + 24] | out[phdr + 38 * preset + 25] << 8; };
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[phdr])), "w6");
    EXPECT_EQ(firstZone(0), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[phdr + 38])), "two");
    EXPECT_EQ(firstZone(1), 1);
    EXPECT_EQ(firstZone(2), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[phdr + 38 * 3])), "EOP");
    EXPECT_EQ(firstZone(3), 6);
    EXPECT_EQ(Le32At(out, ChunkBody(out, "igen") - 4), 32u * 6);
    EXPECT_EQ(Le32At(out, 4) + 8, out.size());
}

TEST_F(SbkWrite, BankNamesArePaddedToEvenSizes)
{
    for (auto [name, size] : {std::pair{"Abcde", 6u}, std::pair{"Abcdef", 8u}}) {
        store.NewBank(name, static_cast<int>(std::strlen(name)));
        Wave(1, "w", 16, 4);
        const std::vector<std::uint8_t> out = Export(kWaveKind | 1);
        EXPECT_EQ(Le32At(out, ChunkBody(out, "INAM") - 4), size);
    }
}

TEST_F(SbkWrite, AnInstrumentReadsBackKeyForKeyWithAWaveOnTwoRanges)
{
    store.NewBank("b", 1);
    Wave(1, "low", 16, 50).rootKey = 40;
    Wave(2, "high", 16, 70).rootKey = 80;
    InstrumentRec& i = Instrument(1, "split", {{kWaveKind | 1, 0, 30}, {kWaveKind | 2, 31, 90}, {kWaveKind | 1, 91, 127}});
    i.layer.volume = 100;
    const std::vector<std::uint8_t> out = Export(kInstrumentKind | 1);
    EXPECT_EQ(Le32At(out, ChunkBody(out, "shdr") - 4), 16u * 3);  // the wave standing twice is written twice
    WaveStore back(host);
    ASSERT_TRUE(back.Imp(dir / "out.sbk")) << LastError.message;
    const InstrumentRec& read = *back.FetchInstrument(kInstrumentKind | 0x4000000);
    EXPECT_STREQ(read.name, "split");
    ASSERT_EQ(read.layer.regionCount, 3);
    EXPECT_EQ(read.layer.regions[0].highKey, 30);
    EXPECT_EQ(read.layer.regions[2].lowKey, 91);
    // Both ranges play the wave's last copy in the bank, which reads back as "_low".
    EXPECT_STREQ(back.FetchWave(read.layer.keyMap[10])->name, "_low");
    EXPECT_STREQ(back.FetchWave(read.layer.keyMap[60])->name, "high");
    EXPECT_STREQ(back.FetchWave(read.layer.keyMap[120])->name, "_low");
    EXPECT_EQ(back.FetchWave(read.layer.keyMap[60])->rootKey, 80);
    EXPECT_EQ(back.FetchWave(read.layer.keyMap[60])->length, 71u);  // and the first guard sample
    EXPECT_EQ(back.FetchWave(read.layer.keyMap[60])->volume, 100);
}

// Hands the data to the sink in pieces of seven frames, as format copy routines may.
bool PiecewiseCopy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    Capture whole;
    const SampleSink sink = store.sink;
    WavesampleRec plain = wave;
    plain.copyRoutine = std_Copy;
    if (!CaptureWave(store, plain, whole)) return false;
    store.sink = sink;
    const std::size_t frameBytes = wave.bytesPerSample * std::size_t{wave.channels};
    for (std::uint32_t at = 0; at < wave.length; at += 7) {
        const std::uint32_t frames = std::min<std::uint32_t>(7, wave.length - at);
        std::vector<std::uint8_t> piece(whole.bytes.begin() + at * frameBytes, whole.bytes.begin() + (at + frames) * frameBytes);
        sink(sinkArg, wave, piece.data(), frames);
    }
    return true;
}

TEST_F(SbkWrite, DataInPiecesEqualsDataInOnePiece)
{
    store.NewBank("b", 1);
    WavesampleRec& w = Wave(1, "w", 8, 100);
    const std::vector<std::uint8_t> whole = Export(kWaveKind | 1, "whole.sbk");
    w.copyRoutine = PiecewiseCopy;
    EXPECT_EQ(Export(kWaveKind | 1, "pieces.sbk"), whole);
}

TEST_F(SbkWrite, OnlyWavesamplesInstrumentsAndTheBank)
{
    store.NewFolder(0, "All Wavesamples");
    EXPECT_FALSE(store.Exp(dir / "x.sbk", kFolderKind));
    EXPECT_EQ(LastError.location, "sbk_Write");
    EXPECT_EQ(LastError.message, "Export type not supported by .SBK");
}

}  // namespace
