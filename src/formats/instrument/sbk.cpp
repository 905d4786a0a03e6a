// What the SoundFont writers share. The pitch conversions are computed in 80-bit extended
// precision (long double on x86-64) with the roundings to double that give the format's figures
// (22050 Hz → 7199 cents, 6100 → 41624 Hz).
#include "formats/instrument/sbk.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/instrument/gf1.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

std::uint16_t SbkRateToCents(std::uint32_t sampleRate, std::int8_t fineTune)
{
    const long double ratio = 44100.0L / (sampleRate != 0 ? sampleRate : 44100);
    const double scaled = static_cast<double>(1200.0L * std::log(ratio));
    const long double octaves = scaled / std::log(2.0L);
    const int fine = SbkFineCents(fineTune);
    const long double cents = std::trunc(octaves + 6000 + fine);
    return static_cast<std::uint16_t>(std::clamp<long double>(cents, 0, 65535));
}

std::uint32_t SbkCentsToRate(std::int32_t cents)
{
    const long double twelveHundredth = static_cast<double>(1.0 / 1200.0);
    const double exponent = static_cast<double>(std::log(2.0L) * (cents - 6000) * twelveHundredth);
    const long double rate = 44100.0L / std::exp(static_cast<long double>(exponent));
    return static_cast<std::uint32_t>(std::clamp<long double>(rate, 0, 4294967295.0L));
}

int SbkFineCents(std::int8_t fineTune)
{
    return fineTune * 100 / 128;
}

int SbkVolumeCentibels(std::uint8_t layerVolume, std::uint8_t waveVolume)
{
    constexpr int kSilent = 1440;  // the most a SoundFont attenuates
    const double level = std::min<double>(layerVolume, 127) * std::min<double>(waveVolume, 127) / (127.0 * 127.0);
    if (level <= 0) return kSilent;
    return std::min(kSilent, static_cast<int>(std::lround(-200 * std::log10(level))));
}

bool SbkVolumeEnvelope(const WavesampleRec& wave, VolumeEnvelope& envelope)
{
    // A patch wave with its envelope switched off (sampled release) plays without one too.
    if (wave.hasEnvelope == 0 || !Loops(wave) || (wave.loopFlags & kLoopRelease) != 0) return false;
    // The kept times are GF1 envelope times, which wrap for long segments: they are taken back
    // to the rates they came from, as the GF1 writer does, and timed from those.
    const auto seconds = [&wave](int first, int last) {
        double sum = 0;
        for (int i = first; i <= last; ++i) {
            const std::uint8_t from = wave.envLevel[i], to = wave.envLevel[i + 1];
            const std::uint8_t rate = pat_TimeToRate(static_cast<std::int32_t>(wave.envTime[i]), from, to);
            sum += pat_RateToSeconds(rate, from, to);
        }
        return sum;
    };
    envelope.attack = seconds(0, 0);
    envelope.decay = seconds(1, 3);
    envelope.release = seconds(4, 6);
    envelope.sustainCentibels = pat_LevelToCentibels(wave.envLevel[4]);
    return true;
}

std::int16_t SbkTimecents(double seconds)
{
    if (seconds <= 0.001) return -12000;
    return static_cast<std::int16_t>(std::clamp(std::lround(1200 * std::log2(seconds)), -12000L, 8000L));
}

bool SoundFontSink::Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames)
{
    const bool oneChannel = channel_ >= 0 && format.channels == 2;
    std::size_t bytes = ConvertSamples(format, data, frames, true, false, !oneChannel, true);
    const std::size_t width = format.bytesPerSample;
    if (oneChannel) {
        for (std::size_t i = 0; i < frames; ++i)
            std::memmove(data + i * width, data + (2 * i + channel_) * width, width);
        bytes = std::size_t{frames} * width;
    }
    if (width != 2) {
        widened_.assign(2 * bytes, 0);
        for (std::size_t i = 0; i < bytes; ++i) widened_[2 * i + 1] = data[i];
        data = widened_.data();
        bytes = widened_.size();
    }
    return file_.Write(data, bytes) || Fail(location_, "File Write Error");
}

static BankInstrument WaveInstrument(WavesampleRec& wave)
{
    return {wave.name, 127, -1, {{&wave, wave.lowKey, wave.highKey}}};
}

static BankInstrument StoreInstrument(const WaveStore& store, const InstrumentRec& instrument)
{
    const LayerRec& layer = instrument.layer;
    BankInstrument result{instrument.name, layer.volume, instrument.program <= 127 ? instrument.program : -1, {}};
    for (int r = 0; r < std::clamp(layer.regionCount, 0, 128); ++r) {
        if (WavesampleRec* wave = store.FetchWave(layer.regions[r].wave))
            result.zones.push_back({wave, layer.regions[r].lowKey, layer.regions[r].highKey});
    }
    return result;
}

bool CollectBank(const WaveStore& store, ItemId item, BankContents& contents)
{
    if (WavesampleRec* wave = store.FetchWave(item)) {
        contents.instruments = {WaveInstrument(*wave)};
        contents.waves = {wave};
        contents.waveIds = {item};
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        contents.instruments = {StoreInstrument(store, *instrument)};
        for (int r = 0; r < std::clamp(instrument->layer.regionCount, 0, 128); ++r) {
            const ItemId id = instrument->layer.regions[r].wave;
            WavesampleRec* wave = store.FetchWave(id);
            if (wave == nullptr ||
                std::find(contents.waves.begin(), contents.waves.end(), wave) != contents.waves.end())
                continue;
            contents.waves.push_back(wave);
            contents.waveIds.push_back(id);
        }
    } else if (IsBank(item) && store.FetchBank() != nullptr) {
        store.ForEachItem([&](ItemId id, void* record) {
            if (!IsWave(id)) return;
            auto* wave = static_cast<WavesampleRec*>(record);
            contents.waves.push_back(wave);
            contents.waveIds.push_back(id);
            if (wave->owner == NO_ITEM) contents.instruments.push_back(WaveInstrument(*wave));
        });
        store.ForEachItem([&](ItemId id, void* record) {
            if (IsInstrument(id))
                contents.instruments.push_back(StoreInstrument(store, *static_cast<InstrumentRec*>(record)));
        });
    } else {
        return false;
    }
    return true;
}
