// The 'DAC' row: a wavesample, an instrument's regions or the whole bank played one after the
// other, each converted whole into one buffer and shown in the Audio Player while it plays.
#include <algorithm>
#include <vector>

#include "formats/device/playback.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/last_error.h"

PlaybackCaps PlaybackCapsOf(const WaveOutCaps& caps)
{
    const std::uint32_t f = caps.formats;
    return {(f & (kWaveFormat1M16 | kWaveFormat2M16 | kWaveFormat4M16)) != 0, (f & kWaveFormat1M08) != 0,
            (f & kWaveFormat2M08) != 0, (f & kWaveFormat4M08) != 0, caps.channels > 1};
}

PlayFormat PlayFormatFor(const WavesampleRec& wave, const PlaybackCaps& caps)
{
    const PcmFormat delivered = Delivered(wave);
    return {static_cast<std::uint16_t>(delivered.channels > 1 && caps.canStereo ? 2 : 1), wave.sampleRate,
            static_cast<std::uint16_t>(delivered.bytesPerSample > 1 && caps.can16Bit ? 16 : 8)};
}

std::uint32_t FallbackRate(std::uint32_t rate, const PlaybackCaps& caps)
{
    std::uint32_t fallback = rate;
    if (caps.can11025) fallback = 11025;
    if (caps.can22050 && rate > 16575) fallback = 22050;
    if (caps.can44100 && rate > 33150) fallback = 44100;
    return fallback;
}

std::string DurationText(const WavesampleRec& wave)
{
    const std::uint64_t rate = wave.sampleRate;
    const std::uint64_t seconds = rate == 0 ? 0 : (wave.length + rate / 2) / rate;
    return std::to_string(wave.length) + " samples, " + std::to_string(seconds) + " s";
}

namespace {

// Collects the whole wavesample in the device's form.
class PlaybackSink : public SampleSink {
public:
    PlaybackSink(const PlayFormat& format, std::vector<std::uint8_t>& buffer) : format_(format), buffer_(buffer) {}
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override
    {
        const bool keep16 = format_.bits == 16;
        const std::size_t bytes = ConvertSamples(format, data, frames, keep16, false, format_.channels == 1, keep16);
        buffer_.insert(buffer_.end(), data, data + bytes);
        return true;
    }

private:
    PlayFormat format_;
    std::vector<std::uint8_t>& buffer_;
};

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// Plays one wavesample in the Audio Player: 1 after "Next", 0 when the device refuses it.
int PlayWave(WaveStore& store, WaveOutDevices& devices, const PlaybackCaps& caps, ItemId id)
{
    const WavesampleRec* wave = store.FetchWave(id);
    if (wave == nullptr) {
        store.host.Warn("PlayWave: Missing wave");
        return 1;
    }
    const std::uint32_t device = store.host.Settings().dacOutDev;
    PlayFormat format = PlayFormatFor(*wave, caps);
    std::string error;
    std::unique_ptr<WaveOut> out = devices.Open(device, format, error);
    if (out == nullptr) {
        format.rate = FallbackRate(wave->sampleRate, caps);
        out = devices.Open(device, format, error);
    }
    if (out == nullptr) {
        store.host.Warn(error.substr(0, 256));
        return 0;
    }
    std::vector<std::uint8_t> buffer;
    buffer.reserve(std::size_t{format.BlockAlign()} * wave->length);
    PlaybackSink sink(format, buffer);
    if (!CopyWave(*wave, sink)) {
        store.host.Warn(LastError.location + ": " + LastError.message);
        return 0;
    }
    const auto play = [&] {
        out->Reset();
        if (!out->Play(buffer, error)) store.host.Warn(error.substr(0, 256));
    };
    play();
    const int result = store.host.ShowAudioPlayer({FileNameOf(store.host.Settings().szLastFile) + " - KOBA Audio Player",
                                                   wave->name, DurationText(*wave), play,
                                                   [&] { out->WaitUntilDone(); }});
    out->Reset();
    return result;
}

}  // namespace

bool dac_Write(WaveStore& store, File*, ItemId item)
{
    WaveOutDevices* devices = store.host.WaveOutput();
    WaveOutCaps deviceCaps;
    if (devices == nullptr || !devices->Caps(store.host.Settings().dacOutDev, deviceCaps)) {
        return Fail("dac_Write", "Invalid WaveOut device");
    }
    const PlaybackCaps caps = PlaybackCapsOf(deviceCaps);
    if (IsWave(item)) {
        PlayWave(store, *devices, caps, item);
    } else if (IsBank(item)) {
        ItemId id;
        void* record;
        for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
            if (IsWave(id) && PlayWave(store, *devices, caps, id) == 0) break;
        }
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        const std::int32_t regions = std::clamp<std::int32_t>(instrument->layer.regionCount, 0, 128);
        for (std::int32_t r = 0; r < regions; ++r) {
            if (PlayWave(store, *devices, caps, instrument->layer.regions[r].wave) == 0) break;
        }
    }
    return true;
}
