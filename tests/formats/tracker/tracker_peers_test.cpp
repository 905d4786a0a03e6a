// Tracker modules as libxmp reads them: every real module's samples, exported to WAVE by KOBA,
// equal libxmp's decoded samples, with the same lengths, loops and XM key maps.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../format_kit.h"

namespace {

// libxmp's facts in its own units: lengths and loops in frames, loop end exclusive (as ours);
// flags bit 0 16-bit data, bit 1 loop, bit 2 ping-pong loop; data signed.
struct PeerSample {
    std::uint32_t length = 0, loopStart = 0, loopEnd = 0;
    int flags = 0;
    std::vector<int> data;
};
struct PeerModule {
    std::vector<PeerSample> samples;
    std::vector<std::vector<int>> subSamples;  // per instrument: the module-wide sample of each of its own
    std::vector<std::vector<int>> maps;        // per instrument: its own sample for notes 0..95, -1 none
};

std::vector<int> SignedValues(const std::vector<std::uint8_t>& bytes, bool wide, bool isUnsigned8)
{
    std::vector<int> values;
    for (std::size_t i = 0; i + (wide ? 1 : 0) < bytes.size(); i += wide ? 2 : 1) {
        values.push_back(wide ? static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8)
                              : static_cast<std::int8_t>(isUnsigned8 ? bytes[i] ^ 0x80 : bytes[i]));
    }
    return values;
}

bool LoadWithLibxmp(const TempDir& dir, const std::string& module, PeerModule& peer)
{
    const std::string facts = dir / "xmp.txt";
    if (::Run(std::string(KOBA_XMP_DUMP) + " " + Quoted(module) + " " + Quoted(dir.Path()) + " > " + Quoted(facts)) !=
        0) {
        return false;
    }
    std::ifstream in(facts);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind;
        int index = 0;
        fields >> kind >> index;
        if (kind == "sample") {
            PeerSample s;
            fields >> s.length >> s.loopStart >> s.loopEnd >> s.flags;
            s.data = SignedValues(ReadFileBytes(dir / (std::to_string(index) + ".raw")), s.flags & 1, false);
            peer.samples.push_back(std::move(s));
        } else if (kind == "instrument" || kind == "map") {
            std::vector<int>& list = (kind == "map" ? peer.maps : peer.subSamples).emplace_back();
            for (int value = 0; fields >> value;) list.push_back(value);
        }
    }
    return true;
}

// The frames of the first channel of a wavesample as KOBA exports it to WAVE.
std::vector<int> ExportedFirstChannel(WaveStore& store, const TempDir& dir, ItemId id)
{
    EXPECT_TRUE(store.Exp(dir / "koba.wav", id)) << Failure();
    const std::vector<std::uint8_t> wav = ReadFileBytes(dir / "koba.wav");
    const WaveChunks chunks = FindWaveChunks(wav);
    const auto data = wav.begin() + chunks.dataOffset;
    const std::vector<int> all = SignedValues({data, data + chunks.dataSize}, chunks.bits == 16, chunks.bits == 8);
    std::vector<int> first;
    for (std::size_t i = 0; i < all.size(); i += chunks.channels) first.push_back(all[i]);
    return first;
}

// Every module of the shared test files and of the Debian packages holding real ones (but
// TakeTracker's TDZ3.MOD and the OctaMED stereo.med, which libxmp 4.5 does not read: the reader
// tests check their data; and ep-song1.psm, Epic MegaGames' "PSM " format, which is not
// Protracker Studio's).
std::vector<std::string> RealModules()
{
    std::vector<std::string> files;
    const std::string shared = std::string(KOBA_SHARED_TESTDATA) + "/";
    for (const std::string dir :
         {shared + "mod", shared + "s3m", shared + "stm", shared + "xm", shared + "669", shared + "mtm", shared + "far",
          shared + "ult", shared + "psm", shared + "okt", shared + "med", shared + "mdl",
          std::string("/usr/share/games/tecnoballz/musics"), std::string("/usr/share/games/powermanga/sounds")}) {
        if (!std::filesystem::is_directory(dir)) {
            files.push_back(dir + " (missing)");
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().string();
            if (!name.ends_with(".wav") && !name.ends_with(".ogg") && !name.ends_with("TDZ3.MOD") &&
                !name.ends_with("ep-song1.psm") && !name.ends_with("stereo.med")) {
                files.push_back(name);
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// libxmp raises the samples of an Oktalyzer instrument of a 7-bit mode (0 or 2: the last field of
// its 32-byte record in "SAMP") to full level, doubling each; the file holds them halved.
bool OktalyzerSevenBit(const std::vector<std::uint8_t>& module, std::size_t instrument)
{
    const char samp[] = "SAMP";
    const std::size_t at =
        static_cast<std::size_t>(std::search(module.begin(), module.end(), samp, samp + 4) - module.begin());
    const std::size_t mode = at + 8 + 32 * instrument + 30;
    return mode + 1 < module.size() && (module[mode] << 8 | module[mode + 1]) != 1;
}

struct TrackerPeers : ImportFixture, ::testing::WithParamInterface<std::string> {
    TempDir dir;
};

TEST_P(TrackerPeers, SamplesLoopsAndKeyMapsAsLibxmpReadsThem)
{
    const std::string module = GetParam();
    PeerModule peer;
    ASSERT_TRUE(LoadWithLibxmp(dir, module, peer)) << "libxmp cannot read " << module;
    ASSERT_TRUE(store.Imp(module)) << Failure();
    const std::string row = GetImportFormat(store, store.formatIndex)->extension;
    const bool xm = row == "xm", okt = row == "okt";
    // Our wavesamples are numbered by their record (an XM's: instrument × 256 + its own sample);
    // a Protracker Studio record's by the sample number it holds (u16 at 45 of the 64-byte record
    // in the table at the header's u32 at 94); Digitrakker's sample numbers count from 1, in
    // record order in these modules; Oktalyzer wavesamples are numbered as their data chunks, as
    // libxmp numbers its samples.
    const std::vector<std::uint8_t> bytes = ReadFileBytes(module);
    const auto waveOf = [&](std::size_t i, std::size_t j) {
        if (row == "psm") return LeAt(bytes, LeAt(bytes, 94) + 64 * i + 45, 2);
        if (row == "mdl" || okt) return static_cast<std::uint32_t>(peer.subSamples[i][j] + (okt ? 0 : 1));
        return static_cast<std::uint32_t>(xm ? i * 256 + j : i);
    };
    for (std::size_t i = 0; i < peer.subSamples.size(); ++i) {
        for (std::size_t j = 0; j < peer.subSamples[i].size(); ++j) {
            const PeerSample& want = peer.samples.at(static_cast<std::size_t>(peer.subSamples[i][j]));
            const ItemId id = kWaveKind | waveOf(i, j);
            SCOPED_TRACE("instrument " + std::to_string(i) + " sample " + std::to_string(j));
            const WavesampleRec* wave = store.FetchWave(id);
            ASSERT_EQ(wave != nullptr, want.length >= (xm ? 2u : 1u));  // XM drops samples of one frame
            if (wave == nullptr) continue;
            EXPECT_EQ(wave->length, want.length);
            // libxmp plays an Oktalyzer repeat of one word as none, but reports where it lies.
            EXPECT_EQ(Loops(*wave), (want.flags & 2) != 0 || (okt && want.loopEnd == want.loopStart + 2));
            if (Loops(*wave)) {
                EXPECT_EQ(std::tuple(wave->loopStart, wave->loopEnd, (wave->loopFlags & kLoopBidirectional) != 0),
                          std::tuple(want.loopStart, want.loopEnd, (want.flags & 4) != 0));
            }
            // libxmp overwrites the frames after a loop's end for its mixer (with the loop's first
            // frames, or the loop backwards): those are not the file's.
            std::vector<int> got = ExportedFirstChannel(store, dir, id), expected = want.data;
            if (want.flags & 2) got.resize(want.loopEnd), expected.resize(want.loopEnd);
            if (okt && OktalyzerSevenBit(ReadFileBytes(module), i)) {
                for (int& value : got) value = static_cast<std::int8_t>(value * 2);
            }
            EXPECT_EQ(got, expected);
        }
        const InstrumentRec* instrument = store.FetchInstrument(kInstrumentKind | static_cast<ItemId>(i));
        if (!xm || instrument == nullptr) continue;  // an instrument without samples of 2 frames is not kept
        for (int note = 0; note < 96; ++note) {
            const int own = peer.maps[i][static_cast<std::size_t>(note)];
            if (own >= 0) EXPECT_EQ(instrument->layer.keyMap[note + 12], kWaveKind | (i * 256 + own)) << note;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealModules, TrackerPeers, ::testing::ValuesIn(RealModules()), [](const auto& info) {
    std::string name = std::filesystem::path(info.param).filename().string();
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

}  // namespace
