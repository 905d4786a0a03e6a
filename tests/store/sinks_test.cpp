// The converter and the file sinks.
#include "store/sinks.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"

namespace {

WavesampleRec Format(std::uint8_t bytesPerSample, std::uint8_t channels, bool isSigned)
{
    WavesampleRec w{};
    w.bytesPerSample = bytesPerSample;
    w.channels = channels;
    w.isSigned = isSigned ? 1 : 0;
    return w;
}

std::vector<std::uint8_t> Convert(const WavesampleRec& w, Bytes in, std::uint32_t frames, bool wantSigned,
                                  bool swap, bool mono, bool keep16)
{
    std::vector<std::uint8_t> buffer = in.Data();
    buffer.resize(ConvertSamples(w, buffer.data(), frames, wantSigned, swap, mono, keep16));
    return buffer;
}

TEST(ConvertSamples, SignByteOrderChannelsAndWidth)
{
    struct Case {
        const char* what;
        WavesampleRec format;
        Bytes in;
        std::uint32_t frames;
        bool wantSigned, swap, mono, keep16;
        Bytes out;
    };
    const Case cases[] = {
        {"8-bit signed to unsigned", Format(1, 1, true), Bytes{}.U8(0x00, 0x7F, 0x80), 3, false, false, false, true,
         Bytes{}.U8(0x80, 0xFF, 0x00)},
        {"8-bit swap does nothing", Format(1, 1, true), Bytes{}.U8(1, 2), 2, true, true, false, true, Bytes{}.U8(1, 2)},
        {"16-bit signed to unsigned", Format(2, 1, true), Bytes{}.Le16(0x1234), 1, false, false, false, true,
         Bytes{}.Le16(0x9234)},
        {"16-bit swapped and flipped", Format(2, 1, true), Bytes{}.Le16(0x1234), 1, false, true, false, true,
         Bytes{}.Be16(0x9234)},
        {"16-bit to its high byte", Format(2, 1, true), Bytes{}.Le16(0x1234), 1, false, false, false, false,
         Bytes{}.U8(0x92)},
        {"16-bit swapped to its high byte", Format(2, 1, true), Bytes{}.Le16(0x1234), 1, true, true, false, false,
         Bytes{}.U8(0x12)},
        {"stereo 16-bit to mono", Format(2, 2, true), Bytes{}.Le16(1000, 0x10000 - 3000, 3, 0), 2, true, false, true,
         true, Bytes{}.Le16(0x10000 - 1000, 1)},
        {"stereo 8-bit unsigned to mono", Format(1, 2, false), Bytes{}.U8(0xFF, 0x01, 0x10, 0x11), 2, false, false,
         true, true, Bytes{}.U8(0x80, 0x10)},
        {"stereo 8-bit signed to mono", Format(1, 2, true), Bytes{}.U8(0xFF, 0xFE), 1, true, false, true, true,
         Bytes{}.U8(0xFF)},
        {"stereo kept", Format(2, 2, true), Bytes{}.Le16(1, 2), 1, true, false, false, true, Bytes{}.Le16(1, 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.format, c.in, c.frames, c.wantSigned, c.swap, c.mono, c.keep16), c.out.Data()) << c.what;
    }
}

TEST(FileSinks, WriteConvertedDataThroughACopyRoutine)
{
    struct Case {
        SampleSink sink;
        Bytes expected;
    };
    // A signed 16-bit stereo frame 1000, -3000 through each sink.
    const Case cases[] = {
        {SinkMonoSignedLE, Bytes{}.Le16(0x10000 - 1000)},   {SinkMonoUnsignedLE, Bytes{}.Le16(0x8000 - 1000)},
        {SinkMonoSignedBE, Bytes{}.Be16(0x10000 - 1000)},   {SinkMonoUnsignedBE, Bytes{}.Be16(0x8000 - 1000)},
        {SinkSignedLE, Bytes{}.Le16(1000, 0x10000 - 3000)}, {SinkUnsignedLE, Bytes{}.Le16(0x8000 + 1000, 0x8000 - 3000)},
        {SinkSignedBE, Bytes{}.Be16(1000, 0x10000 - 3000)}, {SinkUnsignedBE, Bytes{}.Be16(0x8000 + 1000, 0x8000 - 3000)},
    };
    TempFile source("frame.raw", Bytes{}.Le16(1000, 0x10000 - 3000));
    ScriptedHost host;
    WaveStore store(host);
    WavesampleRec& w = *store.NewWavesample(1, std_Copy, "w", 1);
    std::strcpy(w.sourcePath, source.Path().c_str());
    w.bits = 16, w.bytesPerSample = 2, w.channels = 2, w.length = 1, w.isSigned = 1;
    for (const Case& c : cases) {
        const std::string out = source.Dir() / "out.raw";
        {
            File file = File::Create(out);
            ASSERT_TRUE(CopyToFile(store, w, c.sink, file));
        }
        EXPECT_EQ(ReadFileBytes(out), c.expected.Data());
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(FileSinks, AFailedWriteWarnsAndTheCopyGoesOn)
{
    TempFile source("one.raw", Bytes{}.U8(1, 2, 3));
    ScriptedHost host;
    WaveStore store(host);
    WavesampleRec& w = *store.NewWavesample(1, std_Copy, "w", 1);
    std::strcpy(w.sourcePath, source.Path().c_str());
    w.bits = 8, w.bytesPerSample = 1, w.length = 3;
    File full = File::Create("/dev/full");
    ASSERT_TRUE(full.IsOpen());
    EXPECT_TRUE(CopyToFile(store, w, SinkUnsignedLE, full));
    EXPECT_EQ(host.Texts("Attention!"), (std::vector<std::string>{"File Write Error"}));
    EXPECT_TRUE(full.WriteFailed());
}

}  // namespace
