// What the format tests share: decoded data, raw wavesamples for the writers, written fields.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kit/capture_sink.h"
#include "kit/import_fixture.h"
#include "store/copy_routines.h"
#include "support/last_error.h"

inline std::vector<std::uint8_t> Decoded(const WavesampleRec& wave)
{
    CaptureSink capture;
    EXPECT_TRUE(CaptureWave(wave, capture)) << LastError.location << ": " << LastError.message;
    return capture.bytes;
}

// `count` samples of `width` bytes counting up from 1 (8-bit ones wrap at 128).
inline Bytes Ramp(std::uint32_t count, int width)
{
    Bytes data;
    for (std::uint32_t i = 1; i <= count; ++i) width == 1 ? data.U8(i & 0x7F) : data.Le16(i);
    return data;
}

inline std::uint32_t LeAt(const std::vector<std::uint8_t>& f, std::size_t at, int width = 4)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | f.at(at + static_cast<std::size_t>(i));
    return v;
}

struct WriterFixture : ::testing::Test {
    ScriptedHost host;
    KobaStore store{host};
    TempDir dir;

    // A PCM wavesample of `data` (its own raw file), as many frames as the data holds.
    WavesampleRec& Wave(std::uint32_t index, const char* name, const Bytes& data, std::uint8_t bits,
                        std::uint8_t channels = 1, bool isSigned = true)
    {
        WriteFileBytes(dir / std::to_string(index), data.Data());
        WavesampleRec& w = *store.NewWavesample(index, std_Copy, name, static_cast<int>(std::strlen(name)));
        std::strcpy(w.sourcePath, (dir / std::to_string(index)).c_str());
        w.layout = {.bits = bits, .channels = channels, .isSigned = isSigned, .bytes = data.Size()};
        w.length = FramesInExtent(w.layout);
        w.loopEnd = w.length - 1;
        return w;
    }
    std::vector<std::uint8_t> Export(ItemId id, const std::string& name)
    {
        EXPECT_TRUE(store.Exp(dir / name, id)) << LastError.location << ": " << LastError.message;
        return ReadFileBytes(dir / name);
    }
};
