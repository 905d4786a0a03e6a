// Playback: what a device offers decides the form a wavesample plays in; a bank, an instrument
// and a wavesample play in their orders; and on a real PulseAudio server the samples that
// reach its sink are exactly the ones played. The clipboard gets a complete WAVE file.
#include <filesystem>
#include <set>

#include "audio/rtaudio_devices.h"
#include "formats/device/playback.h"
#include "formats/format_kit.h"
#include "kit/pulse_sink.h"
#include "kit/stated_devices.h"
#include "store/sinks.h"

namespace {

constexpr WaveOutCaps k8BitMono44k{kWaveFormat4M08, 1};

struct Playback : WriterFixture {
    StatedDevices devices;
    Playback()
    {
        host.devices = &devices;
        host.settings.szLastFile = "/music/bank.sbk";
    }
    WavesampleRec& Wave(std::uint32_t index, std::uint32_t rate, std::uint8_t bits, std::uint8_t channels,
                        std::uint32_t frames = 100)
    {
        WavesampleRec& w = NewWave(index, ("w" + std::to_string(index)).c_str(), Ramp(frames * channels, bits / 8),
                                   bits, channels);
        w.sampleRate = rate;
        return w;
    }
};

TEST_F(Playback, TheDeviceDecidesWidthChannelsAndTheFallbackRate)
{
    struct Case {
        WaveOutCaps caps;
        std::set<std::uint32_t> refused;
        std::uint32_t rate;
        std::uint8_t bits, channels;
        std::vector<std::string> opened;
    };
    const Case cases[] = {
        {kEverything, {}, 44100, 16, 2, {"2/44100/16"}},
        {k8BitMono44k, {}, 44100, 16, 2, {"1/44100/8"}},  // 16-bit stereo as 8-bit mono
        {kEverything, {}, 22050, 8, 1, {"1/22050/8"}},
        {{kWaveFormat1M08 | kWaveFormat2M08}, {8000}, 8000, 8, 1, {"1/8000/8", "1/11025/8"}},
        {{kWaveFormat1M08 | kWaveFormat2M08}, {30000}, 30000, 8, 1, {"1/30000/8", "1/22050/8"}},
        {kEverything, {30000}, 30000, 8, 1, {"1/30000/8", "1/22050/8"}},  // 44100 only above 33150
        {kEverything, {40000}, 40000, 8, 1, {"1/40000/8", "1/44100/8"}},
    };
    for (const Case& c : cases) {
        devices.caps = c.caps, devices.refused = c.refused, devices.opened.clear();
        Wave(1, c.rate, c.bits, c.channels);
        EXPECT_TRUE(store.Exp(".'DAC'", kWaveKind | 1)) << Failure();
        EXPECT_EQ(devices.opened, c.opened) << c.rate;
    }
}

TEST_F(Playback, ABankAnInstrumentAndAWavesamplePlayInTheirOrdersWithTheirTexts)
{
    Wave(1, 22050, 16, 1, 22050);
    Wave(2, 22050, 16, 1, 33076);
    Wave(3, 0, 8, 1);  // no rate: no seconds to show
    NewInstrument(1, "i", [](int key) { return key < 60 ? 2 : 1; });
    store.NewBank("b", 1);
    ASSERT_TRUE(store.Exp(".'DAC'", kBankId));
    ASSERT_TRUE(store.Exp(".'DAC'", kInstrumentKind | 1));
    const std::string caption = "bank.sbk - KOBA Audio Player|";
    EXPECT_EQ(host.played, (std::vector<std::string>{caption + "w1|22050 samples, 1 s", caption + "w2|33076 samples, 2 s",
                                                     caption + "w3|100 samples, 0 s", caption + "w2|33076 samples, 2 s",
                                                     caption + "w1|22050 samples, 1 s"}));
    // A region naming a wavesample that is gone is said, and the rest still plays.
    store.FetchInstrument(kInstrumentKind | 1)->layer.regions[0].wave = kWaveKind | 9;
    host.played.clear();
    ASSERT_TRUE(store.Exp(".'DAC'", kInstrumentKind | 1));
    EXPECT_EQ(std::make_tuple(host.Texts("Attention!"), host.played.size()),
              std::make_tuple(std::vector<std::string>{"PlayWave: Missing wave"}, 1u));
}

TEST_F(Playback, ARefusingDeviceStopsTheSequenceAndNoDeviceFailsTheExport)
{
    Wave(1, 8000, 8, 1);
    Wave(2, 8000, 8, 1);
    store.NewBank("b", 1);
    devices.caps = {0, 1};  // no rate to fall back to
    devices.refused = {8000};
    EXPECT_TRUE(store.Exp(".'DAC'", kBankId));
    EXPECT_EQ(std::make_tuple(host.Texts("Attention!"), devices.opened.size(), host.played.size()),
              std::make_tuple(std::vector<std::string>{"The device refuses 8000 Hz"}, 2u, 0u));
    host.settings.dacOutDev = 1;
    EXPECT_FALSE(store.Exp(".'DAC'", kBankId));
    EXPECT_EQ(Failure(), "dac_Write: Invalid WaveOut device");
}

TEST_F(Playback, TheClipboardGetsTheWaveFileAndNoFileIsLeft)
{
    Wave(1, 22050, 16, 2);
    NewInstrument(1, "i", [](int) { return 1; });
    EXPECT_FALSE(store.Exp(".'CLIP'", kInstrumentKind | 1));
    EXPECT_EQ(Failure(), "clip_Write: You can only copy Wavesamples to clipboard!");
    ASSERT_TRUE(store.Exp(".'CLIP'", kWaveKind | 1)) << Failure();
    ASSERT_TRUE(store.Exp(dir / "same.wav", kWaveKind | 1));
    EXPECT_EQ(host.clipboard, std::vector<std::vector<std::uint8_t>>{ReadFileBytes(dir / "same.wav")});
    EXPECT_FALSE(std::filesystem::exists(host.PrivateFolder() + "/KOBACLIP.WAV"));
    EXPECT_EQ(std::filesystem::status(host.PrivateFolder()).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
}

// 16-bit stereo frames that never fall silent, not even mixed to 8-bit mono: the sink's output
// starts with a run of zeros.
Bytes Signal(std::uint32_t frames)
{
    Bytes data;
    for (std::uint32_t i = 0; i < frames; ++i) data.Le16(1000 + i * 37 % 20000, 2000 + i * 53 % 20000);
    return data;
}

TEST_F(Playback, ARealServerGetsExactlyTheSamplesPlayed)
{
    if (::Run("command -v pulseaudio >/dev/null") != 0) GTEST_SKIP() << "no pulseaudio here";
    host.onPlayer = [](const AudioPlayerPage& page) { page.waitUntilDone(); };
    const Bytes signal = Signal(11025);
    std::vector<std::uint8_t> mono = signal.Data();  // as the 8-bit mono device gets it
    mono.resize(ConvertSamples({2, 2, true}, mono.data(), 11025, false, false, true, false));

    struct Case {
        const char* what;
        WaveOutCaps caps;
        std::uint32_t rate;
        std::vector<std::uint8_t> heard;  // the sink's 16-bit stereo frames
    };
    std::vector<Case> cases = {{"16-bit stereo", kEverything, 44100, signal.Data()},
                               {"by the fallback rate", kEverything, 40000, signal.Data()},
                               {"as 8-bit mono", k8BitMono44k, 44100, {}}};
    for (std::uint8_t m : mono) cases.back().heard.insert(cases.back().heard.end(), {0, std::uint8_t(m ^ 0x80), 0,
                                                                                       std::uint8_t(m ^ 0x80)});
    for (const Case& c : cases) {
        PulseSink server;
        ASSERT_TRUE(server.Ready());
        RtAudioDevices real;  // after the server, which it lists
        devices.real = &real;
        devices.caps = c.caps, devices.refused = {40000};
        NewWave(1, "signal", signal, 16, 2).sampleRate = c.rate;
        ASSERT_TRUE(store.Exp(".'DAC'", kWaveKind | 1)) << Failure();
        std::vector<std::uint8_t> heard = server.Played();
        ASSERT_GE(heard.size(), c.heard.size()) << c.what;
        heard.resize(c.heard.size());
        EXPECT_TRUE(heard == c.heard) << c.what;
    }
}

}  // namespace
