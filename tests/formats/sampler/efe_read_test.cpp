// The Ensoniq readers: the real instrument file and its copies, disk images built word by word
// (tagged, compacted, with a subdirectory and a loop), detection, bad and cut files.
#include <cmath>
#include <cstring>
#include <map>

#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct EnsoniqRead : ImportFixture {};

const std::string kShared = std::string(KOBA_SHARED_TESTDATA) + "/";

TEST(EnsoniqDetect, HeaderTexts)
{
    EXPECT_EQ(efe_Detect(DetectHead("EPS File:", 2)), 2);
    EXPECT_EQ(efe_Detect(DetectHead("eps file:", 2)), 2);
    EXPECT_EQ(efe_Detect(DetectHead("EPS File:", 3)), 0);
    EXPECT_EQ(gkh_Detect(DetectHead("TDDF", 0)), 2);
    EXPECT_EQ(gkh_Detect(DetectHead("TDDE", 0)), 0);
}

// All 25 wavesamples play the first wave's data: smooth audio whose loop is one period of
// middle C at the wave's rate.
TEST_F(EnsoniqRead, RealInstrumentAndItsCopies)
{
    for (const char* name : {"efe/MOOGZART.efe", "efe/MOOGZART_type34.efe", "ins/MOOGZART_type34.ins"}) {
        ASSERT_TRUE(store.Imp(kShared + name)) << name << ": " << Failure();
        EXPECT_EQ(std::tuple(Count(kInstrumentKind), Count(kWaveKind)), std::tuple(5u, 25u)) << name;
        const WavesampleRec& first = Wave(0x10001);
        const std::vector<std::int16_t> data = Samples16(Decoded(first));
        const auto [low, high] = std::minmax_element(data.begin(), data.end());
        int steepest = 0;
        for (std::size_t i = 1; i < data.size(); ++i) steepest = std::max(steepest, std::abs(data[i] - data[i - 1]));
        EXPECT_LT(steepest * 16, *high - *low) << name;
        EXPECT_GT(*high - *low, 8192) << name;
        const double loop = first.loopEnd + first.loopEndFrac / 256.0 - first.loopStart - first.loopStartFrac / 256.0;
        EXPECT_NEAR(loop * 261.63 / first.sampleRate, 1.0, 0.0005) << name;
        store.ForEachItem([&](ItemId id, const void* record) {
            if (IsWave(id)) {
                EXPECT_EQ(Samples16(Decoded(*static_cast<const WavesampleRec*>(record))), data);
            }
            if (!IsInstrument(id)) return;
            const LayerRec& layer = static_cast<const InstrumentRec*>(record)->layer;
            EXPECT_EQ(std::tuple(layer.regionCount, int{layer.regions[0].lowKey}, int{layer.regions[0].highKey}),
                      std::tuple(1, 21, 108));
        });
    }
}

// An EPS instrument as the sampler stores it: one byte per little-endian word.
struct WavePlan {
    const char* name;
    std::vector<std::int16_t> data;  // empty: shares `source` of `sourceLayer`
    unsigned source, sourceLayer;
    unsigned mode, flags;              // loop mode and the flags it gives
    unsigned code, rate;               // rate code and the rate it gives
    std::uint32_t loopStart, loopEnd;  // positions: bytes × 256
};

struct InstrumentPlan {
    const char* name;
    std::map<unsigned, std::vector<unsigned>> layers;  // the waves its keys play in turn from key 21
    std::map<unsigned, WavePlan> waves;
};

void Spread(Bytes& b, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) b.Le16((value >> (8 * i)) & 0xFF);
}

void SpreadText(Bytes& b, std::string_view text)
{
    for (std::size_t i = 0; i < 12; ++i) b.Le16(i < text.size() ? text[i] : 0);
}

Bytes BuildInstrument(const InstrumentPlan& plan)
{
    std::vector<Bytes> layers(8), waves(128);
    for (const auto& [l, keys] : plan.layers) {
        layers[l].Zeros(48);
        for (std::size_t k = 0; k < 88; ++k) layers[l].Le16(keys[k % keys.size()]);
    }
    for (const auto& [w, s] : plan.waves) {
        const auto source = plan.waves.find(s.source);
        const auto& data = s.data.empty() && source != plan.waves.end() ? source->second.data : s.data;
        const std::size_t frames = std::max<std::size_t>(data.size(), 1);
        Bytes& b = waves[w].Zeros(10);
        SpreadText(b, s.name);
        b.Le16(s.data.empty() ? s.source : 0, s.sourceLayer).Zeros(132).Le16(60).Zeros(10).Le16(0xFE).Zeros(24);
        b.Le16(100).Zeros(28).Le16(s.mode);
        for (std::uint32_t position : {0u, std::uint32_t((frames - 1) * 2) << 8, s.loopStart, s.loopEnd}) {
            Spread(b, position, 4);
        }
        b.Le16(s.code).Zeros(14);
        for (std::int16_t v : s.data) b.Be16(static_cast<std::uint16_t>(v));
    }
    Bytes head = Bytes{}.Zeros(10), body;
    SpreadText(head, plan.name);
    head.Zeros(66);
    std::uint32_t at = 656;
    for (std::vector<Bytes>* records : {&layers, &waves}) {
        for (Bytes& r : *records) {
            Spread(head, r.Size() ? at / 16 : 0, 2);
            if (r.Size() == 0) continue;
            r.Zeros((16 - r.Size() % 16) % 16);
            body.Append(r);
            at += static_cast<std::uint32_t>(r.Size());
        }
    }
    return head.Zeros(4 + 8).Append(body);
}

// Checks what instrument base `base` reads as against `plan`.
void ExpectInstrument(const WaveStore& store, std::uint32_t base, const InstrumentPlan& plan)
{
    std::uint32_t index = base;
    for (const auto& [l, keys] : plan.layers) {
        const InstrumentRec* inst = store.FetchInstrument(kInstrumentKind | index++);
        ASSERT_NE(inst, nullptr) << plan.name;
        EXPECT_TRUE(std::string(inst->name).ends_with(plan.name));
        EXPECT_EQ(std::tuple(inst->layer.keyMap[20], inst->layer.keyMap[109]),
                  std::tuple(kWaveKind | NO_ITEM, kWaveKind | NO_ITEM));
        for (std::uint32_t k = 0; k < 88; ++k)
            EXPECT_EQ(inst->layer.keyMap[21 + k], kWaveKind | base << 16 | l << 8 | keys[k % keys.size()]);
        for (const auto& [w, s] : plan.waves) {
            const WavesampleRec* wave = store.FetchWave(kWaveKind | base << 16 | l << 8 | w);
            const auto source = plan.waves.find(s.source);
            if (s.data.empty() && (source == plan.waves.end() || !plan.layers.contains(s.sourceLayer))) {
                EXPECT_EQ(wave, nullptr) << s.name;
                continue;
            }
            ASSERT_NE(wave, nullptr) << s.name;
            EXPECT_EQ(Samples16(Decoded(*wave)), s.data.empty() ? source->second.data : s.data) << s.name;
            EXPECT_TRUE(std::string(wave->name).ends_with(s.name));
            EXPECT_EQ(std::tuple(int{wave->loopFlags}, wave->sampleRate, int{wave->fineTune}, int{wave->rootKey}),
                      std::tuple(int(s.flags), s.rate, -2, 60));
            if (s.flags & kLoopFound) {
                EXPECT_EQ(wave->loopStart * 256 + wave->loopStartFrac, s.loopStart / 2) << s.name;
                EXPECT_EQ(wave->loopEnd * 256 + wave->loopEndFrac, s.loopEnd / 2) << s.name;
            }
        }
    }
}

std::vector<std::int16_t> Tone(std::size_t frames, double step)
{
    std::vector<std::int16_t> v;
    for (std::size_t i = 0; i < frames; ++i) v.push_back(static_cast<std::int16_t>(20000 * std::sin(step * i)));
    return v;
}

const InstrumentPlan kPiano{"PIANO",
                            {{0, {5, 1}}, {2, {1}}},
                            {{1, {"LOW", Tone(40, 0.3), 0, 0, 2, 36, 25, 25000, 8 << 8, 73 << 8}},
                             {5, {"HIGH", Tone(24, 0.7), 0, 0, 4, 100, 0, 48000, 2 << 8, (21 << 8) + 0x40}},
                             {7, {"GHOST", {}, 9, 0, 0, 0, 1, 44100, 0, 0}}}};
const InstrumentPlan kStrings{"STRINGS",
                              {{0, {2, 3}}},
                              {{2, {"OWN", Tone(30, 0.2), 0, 0, 3, 44, 1, 44100, 3 << 8, 51 << 8}},
                               {3, {"COPY", {}, 2, 0, 1, 16, 25, 25000, 0, 0}}}};

// A disk image: the root directory holds PIANO and a subdirectory holding STRINGS; `more`
// adds entries to the subdirectory.
std::vector<std::uint8_t> DiskImage(const std::vector<std::array<unsigned, 3>>& more = {})
{
    std::vector<std::uint8_t> image(28 * 512);
    auto put = [&](std::size_t at, const Bytes& b) { std::copy(b.Data().begin(), b.Data().end(), &image.at(at)); };
    put(512 + 30, Bytes{}.U8(1).Text("LABEL12", 7));
    auto entry = [&](std::size_t dir, int i, std::array<unsigned, 3> e) {
        put(dir + 26 * i, Bytes{}.U8(0, e[0]).Text("ENTRY", 12).Be16(e[1], e[1]).Be32(e[2]));
    };
    entry(1054, 0, {3, 5, 10});
    entry(1054, 1, {2, 2, 20});
    entry(20 * 512, 0, {3, 5, 24});
    for (std::size_t i = 0; i < more.size(); ++i) entry(20 * 512, static_cast<int>(i) + 1, more[i]);
    put(10 * 512, BuildInstrument(kPiano));
    put(24 * 512, BuildInstrument(kStrings));
    return image;
}

Bytes Gkh(const std::vector<std::uint8_t>& image, char order = 'I', unsigned type = 1, unsigned packing = 1)
{
    Bytes b = Bytes{}.Tag("TDDF").U8(order, 0).Le16(3).U8(1, 0).Le32(type, packing).U8(11, 0).Le32(0, 64);
    return b.U8(20, 0).Le32(7, 38).Tag("MY DISK").Zeros(19).Append(image);
}

Bytes Eui(const std::vector<std::uint8_t>& image)
{
    return Bytes{}
        .Append(std::vector<std::uint8_t>(image.begin(), image.begin() + 2078))
        .Append(std::vector<std::uint8_t>(image.begin() + 2078 + 2674, image.end()));
}

TEST_F(EnsoniqRead, DiskImagesReadEveryInstrument)
{
    const std::vector<std::string> none,
        skipped{"Directory entries leading outside the disk or back into its tree were skipped"};
    const struct {
        Bytes file;
        const char* name;
        const char* bank;
        std::vector<std::string> warnings, failures;
    } cases[] = {
        {Gkh(DiskImage()), "x.gkh", "MY DISK", none, none},
        {Eui(DiskImage()), "x.eui", "LABEL12", none, none},
        // A subdirectory naming itself, PIANO again, and an instrument past the disk.
        {Gkh(DiskImage({{2, 2, 20}, {3, 5, 10}, {3, 5, 4000}})), "x.gkh", "MY DISK", skipped, {"read err inst"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Import(c.file, c.name)) << Failure();
        EXPECT_STREQ(store.FetchBank()->name, c.bank);
        EXPECT_EQ(Count(kInstrumentKind), 3u);
        ExpectInstrument(store, 0, kPiano);
        ExpectInstrument(store, 10, kStrings);
        EXPECT_EQ(host.Texts("Attention!"), c.warnings);
        EXPECT_EQ(host.Texts("ins_Read"), c.failures);
        host.messages.clear();
    }
    SweepTruncations(Gkh(DiskImage()), "x.gkh", 20, 0, 23);
    SweepTruncations(Eui(DiskImage()), "x.eui", 20, 0, 23);
}

TEST_F(EnsoniqRead, BadFilesAreRefusedClearly)
{
    const Bytes efe = Bytes{}.Zeros(2).Tag("EPS File:").Zeros(23).Tag("Inst").Zeros(474);
    const Bytes piano = BuildInstrument(kPiano);
    auto cut = [&](std::size_t n) {
        return Bytes{}.Append(efe).Append(std::vector(piano.Data().begin(), piano.Data().begin() + n));
    };
    const Refusal cases[] = {
        {Bytes{}.Zeros(2).Tag("EPS File:").Zeros(600), efe_Read, "efe_Read: Not an EFE instrument file"},
        {Bytes{}.Zeros(2).Tag("EPS Fil").Zeros(600), efe_Read, "efe_Read: Not an EFE file"},
        {cut(647), efe_Read, "ins_Read: read err inst"},
        {cut(656 + 100), efe_Read, "ins_Read: read err layer"},
        {cut(656 + 448), efe_Read, "ins_Read: read err wave"},
        {Gkh(DiskImage(), 'M'), gkh_Read, "gkh_Read: Can only read Intel style GKH files"},
        {Gkh(DiskImage(), 'I', 2), gkh_Read, "gkh_Read: Not an EPS type GKH file"},
        {Gkh(DiskImage(), 'I', 1, 0), gkh_Read, "gkh_Read: Not an uncompressed GKH file"},
        {Bytes{}.Tag("TDDX").Zeros(100), gkh_Read, "gkh_Read: Not a GKH file"},
    };
    ExpectRefusals(store, cases);
    // The real instrument with its first layer only: four wavesamples share the first's data.
    std::vector<std::uint8_t> moog = ReadFileBytes(kShared + "efe/MOOGZART.efe");
    std::fill(moog.begin() + 512 + 104, moog.begin() + 512 + 132, 0);
    SweepTruncations(Bytes{}.Append(moog), "x.efe", 12, 0, 13);
}

}  // namespace
