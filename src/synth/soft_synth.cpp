// The software wavetable synthesizer: wavesamples decoded to 16-bit mono in memory, 32 voices
// with interpolated pitch, loops, the GF1 volume envelope and voice stealing.
#include "synth/soft_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "formats/format_tables.h"
#include "formats/instrument/gf1.h"
#include "host/host.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/endian.h"
#include "support/last_error.h"

struct SoftSynth::Wave {
    std::vector<std::int16_t> data;  // mono, with two guard frames after the last
    double length = 0;
    double loopStart = 0;
    double loopEnd = 0;  // where the loop turns, in frames with their fraction
    bool loops = false;
    bool bidirectional = false;
    bool sustains = false;        // the envelope holds at its sustain point while the key is down
    bool sampledRelease = false;  // on release the loop is left and the rest of the data plays
    bool envelope = false;
    double rate = 0;  // wave frames per output frame at the root key
    double rootKey = 60, scaleKey = 60, scaleFactor = 1024, fineTune = 0;
    float left = 0, right = 0;  // volume and pan
    float levels[8] = {};       // envelope points, 0..255
    float speeds[7] = {};       // envelope segments, levels per output frame
};

struct SoftSynth::Instrument {
    int keyMap[128];  // index into the bank's waves, -1 for silence
    float volume = 1;
    int program = 0;
};

struct SoftSynth::Bank {
    std::vector<Wave> waves;
    std::vector<Instrument> instruments;
};

struct SoftSynth::Voice {
    const Wave* wave = nullptr;  // null: free
    std::uint8_t key = 0;
    bool held = false;
    bool leftLoop = false;
    double pos = 0;  // in wave frames; in a bidirectional loop it runs on past the end
    double step = 0;
    float left = 0, right = 0;
    int segment = 0;
    float level = 0;
    float fade = 1;  // the short release of waves without an envelope
    float fadeStep = 0;
    std::uint64_t order = 0;  // when the note started
};

namespace {

constexpr char kWhere[] = "SoftSynth::Load";
constexpr double kReleaseSeconds = 0.05;
constexpr std::uint32_t kBlock = 256;
constexpr float kHeadroom = 0.5f;
constexpr int kSustainPoint = 4;  // where the store's eight-point layout puts the GF1 sustain level
constexpr int kSegments = 7;
constexpr double kBendSemitones = 2;
// Even a rate that never completes ends within this, so a released voice always frees up.
constexpr double kLongestSweep = 20;  // seconds for all 255 levels

// A GF1 rate byte as the card runs it at 14 voices (44.1 kHz): each step adds the increment in
// sixteenths of a level, once a frame at range 0 and eight times less often per range above.
double LevelsPerSecond(std::uint8_t rate)
{
    const int increment = rate & 63, range = rate >> 6;
    return std::max(44100.0 * increment / (16 << (3 * range)), 255 / kLongestSweep);
}

// The card's volume is logarithmic: sixteen levels make a factor of two.
float LevelGain(float level)
{
    static const auto table = [] {
        std::array<float, 1024> gains{};
        for (std::size_t i = 1; i < gains.size(); ++i) gains[i] = std::exp2f((i / 4.0f - 255) / 16);
        return gains;
    }();
    return table[std::clamp(static_cast<int>(level * 4), 0, 1023)];
}

// The wavesample's data as signed 16-bit mono, at most `limit` frames.
class MonoSink : public SampleSink {
public:
    MonoSink(std::vector<std::int16_t>& out, std::uint32_t limit) : out_(out), limit_(limit) {}
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override
    {
        ConvertSamples(format, data, frames, true, false, true, true);
        const std::uint32_t n = std::min<std::uint32_t>(frames, limit_ - static_cast<std::uint32_t>(out_.size()));
        for (std::uint32_t i = 0; i < n; ++i) {
            out_.push_back(format.bytesPerSample == 2
                               ? static_cast<std::int16_t>(Le16At(data + 2 * i))
                               : static_cast<std::int16_t>(static_cast<std::int8_t>(data[i]) * 256));
        }
        return true;
    }

private:
    static std::uint16_t Le16At(const std::uint8_t* bytes)
    {
        le16 value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    std::vector<std::int16_t>& out_;
    std::uint32_t limit_;
};

// The import's questions are not the user's: a file KOBA wrote itself needs no answers.
class ImportOnlyHost : public Host {
public:
    Answer Ask(const Message& message) override { return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel; }
    void ShowItemProperties(WaveStore&, ItemId, int) override {}
    int ShowAudioPlayer(const AudioPlayerPage&) override { return 0; }
    bool SetClipboardWave(std::span<const std::uint8_t>) override { return false; }
    void SetStatus(std::string_view) override {}
    ProgramSettings& Settings() override { return settings_; }

private:
    ProgramSettings settings_;
};

void SetLoop(const WavesampleRec& rec, SoftSynth::Wave& w)
{
    w.loopStart = rec.loopStart + rec.loopStartFrac / 256.0;
    w.loopEnd = std::min(rec.loopEnd + rec.loopEndFrac / 256.0, w.length);
    w.loops = Loops(rec) && w.loopEnd - w.loopStart >= 1;
    w.bidirectional = (rec.loopFlags & kLoopBidirectional) != 0;
    w.sustains = (rec.loopFlags & kLoopSustain) != 0;
    w.sampledRelease = (rec.loopFlags & kLoopRelease) != 0;
}

void SetEnvelope(const WavesampleRec& rec, std::uint32_t outputRate, SoftSynth::Wave& w)
{
    w.envelope = rec.hasEnvelope != 0 && !w.sampledRelease;
    if (!w.envelope) return;
    for (int i = 0; i < 8; ++i) w.levels[i] = rec.envLevel[i];
    // The times are kept as a 14-voice patch's; their rates tell the speeds.
    for (int i = 0; i < kSegments; ++i) {
        const std::uint8_t rate =
            pat_TimeToRate(static_cast<std::int32_t>(rec.envTime[i]), rec.envLevel[i], rec.envLevel[i + 1]);
        w.speeds[i] = static_cast<float>(LevelsPerSecond(rate) / outputRate);
    }
}

// False with LastError when the data cannot be read; an empty wave when there is none to play.
bool PrepareWave(const WavesampleRec& rec, std::uint32_t outputRate, SoftSynth::Wave& w)
{
    if (rec.sampleRate == 0 || rec.length == 0) return true;
    w.data.reserve(std::size_t{rec.length} + 2);
    MonoSink sink(w.data, rec.length);
    if (!CopyWave(rec, sink)) return false;
    if (w.data.empty()) return true;
    w.length = static_cast<double>(w.data.size());
    SetLoop(rec, w);
    const std::int16_t guard =
        w.loops && w.loopEnd >= w.length ? w.data[static_cast<std::size_t>(w.loopStart)] : w.data.back();
    w.data.insert(w.data.end(), 2, guard);
    SetEnvelope(rec, outputRate, w);
    w.rate = static_cast<double>(rec.sampleRate) / outputRate;
    w.rootKey = rec.rootKey, w.scaleKey = rec.scaleKey, w.scaleFactor = rec.scaleFactor, w.fineTune = rec.fineTune;
    const float volume = rec.volume / 127.0f, angle = std::clamp(rec.pan / 127.0f, 0.0f, 1.0f) * 1.5707964f;
    w.left = volume * std::cos(angle);
    w.right = volume * std::sin(angle);
    return true;
}

// Turns the store's items into what the voices play.
class BankBuilder {
public:
    BankBuilder(WaveStore& store, std::uint32_t outputRate, SoftSynth::Bank& bank)
        : store_(store), outputRate_(outputRate), bank_(bank)
    {
    }

    bool Build()
    {
        bool ok = true;
        store_.ForEachItem([&](ItemId id, void* record) {
            if (ok && IsInstrument(id)) ok = AddInstrument(*static_cast<InstrumentRec*>(record));
        });
        if (ok && bank_.instruments.empty()) ok = AddLooseWaves();
        if (ok && bank_.instruments.empty()) return Fail(kWhere, "Nothing to play in this file");
        return ok;
    }

private:
    bool AddInstrument(const InstrumentRec& rec)
    {
        if (rec.layer.present == 0) return true;
        SoftSynth::Instrument instrument;
        instrument.volume = rec.layer.volume / 127.0f;
        instrument.program = rec.program;
        bool sounds = false;
        for (int key = 0; key < 128; ++key) {
            if (!WaveIndex(rec.layer.keyMap[key], instrument.keyMap[key])) return false;
            sounds = sounds || instrument.keyMap[key] >= 0;
        }
        if (sounds) bank_.instruments.push_back(instrument);
        return true;
    }

    // A file of wavesamples alone plays each over its key range.
    bool AddLooseWaves()
    {
        SoftSynth::Instrument instrument;
        std::fill(std::begin(instrument.keyMap), std::end(instrument.keyMap), -1);
        bool ok = true, sounds = false;
        store_.ForEachItem([&](ItemId id, void* record) {
            const auto& rec = *static_cast<WavesampleRec*>(record);
            int index = -1;
            if (!ok || !IsWave(id) || !(ok = WaveIndex(id, index)) || index < 0) return;
            for (int key = rec.lowKey; key <= std::min<int>(rec.highKey, 127); ++key) instrument.keyMap[key] = index;
            sounds = true;
        });
        if (sounds) bank_.instruments.push_back(instrument);
        return ok;
    }

    bool WaveIndex(ItemId id, int& index)
    {
        index = -1;
        const auto known = prepared_.find(id);
        if (known != prepared_.end()) {
            index = known->second;
            return true;
        }
        const WavesampleRec* rec = store_.FetchWave(id);
        if (rec == nullptr) return true;
        SoftSynth::Wave wave;
        if (!PrepareWave(*rec, outputRate_, wave)) return false;
        if (!wave.data.empty()) {
            index = static_cast<int>(bank_.waves.size());
            bank_.waves.push_back(std::move(wave));
        }
        prepared_[id] = index;
        return true;
    }

    WaveStore& store_;
    std::uint32_t outputRate_;
    SoftSynth::Bank& bank_;
    std::map<ItemId, int> prepared_;
};

// Where the voice reads: its position, folded into the loop once it has passed the loop's end.
double ReadPosition(SoftSynth::Voice& v)
{
    const SoftSynth::Wave& w = *v.wave;
    if (!w.loops || v.leftLoop || v.pos < w.loopEnd) return v.pos;
    const double span = w.loopEnd - w.loopStart;
    if (!w.bidirectional) return v.pos = w.loopStart + std::fmod(v.pos - w.loopStart, span);
    // Forth and back is one period of twice the loop, counted from its end.
    double phase = v.pos - w.loopEnd;
    if (phase >= 2 * span) phase = std::fmod(phase, 2 * span);
    v.pos = w.loopEnd + phase;
    return phase < span ? w.loopEnd - phase : w.loopStart + (phase - span);
}

// The sample under the voice, then one step on; false past the end of the data.
bool NextSample(SoftSynth::Voice& v, double bend, float& sample)
{
    const SoftSynth::Wave& w = *v.wave;
    const double at = ReadPosition(v);
    if ((!w.loops || v.leftLoop) && at >= w.length) return false;
    const auto i = static_cast<std::size_t>(at);
    const float a = w.data[i], b = w.data[i + 1];
    sample = a + (b - a) * static_cast<float>(at - static_cast<double>(i));
    v.pos += v.step * bend;
    return true;
}

// The envelope's gain for this frame; false once its last segment is done.
bool EnvelopeGain(SoftSynth::Voice& v, float& gain)
{
    const SoftSynth::Wave& w = *v.wave;
    const bool holding = v.segment == kSustainPoint && v.held && w.sustains;
    if (!holding) {
        if (v.segment >= kSegments) return false;
        const float target = w.levels[v.segment + 1], speed = w.speeds[v.segment];
        if (std::abs(target - v.level) <= speed) {
            v.level = target;
            ++v.segment;
        } else {
            v.level += v.level < target ? speed : -speed;
        }
    }
    gain = LevelGain(v.level);
    return true;
}

// Adds the voice's frames to `mix`; false when it has ended.
bool MixVoice(SoftSynth::Voice& v, double bend, float* mix, std::uint32_t frames)
{
    const SoftSynth::Wave& w = *v.wave;
    for (std::uint32_t f = 0; f < frames; ++f) {
        float sample = 0, gain = v.fade;
        if (!NextSample(v, bend, sample)) return false;
        if (w.envelope) {
            if (!EnvelopeGain(v, gain)) return false;
        } else if (!v.held && !w.sampledRelease) {
            v.fade -= v.fadeStep;
            if (v.fade <= 0) return false;
        }
        mix[2 * f] += sample * gain * v.left;
        mix[2 * f + 1] += sample * gain * v.right;
    }
    return true;
}

void Release(SoftSynth::Voice& v, std::uint32_t outputRate)
{
    const SoftSynth::Wave& w = *v.wave;
    v.held = false;
    if (w.envelope && v.segment < kSustainPoint) v.segment = kSustainPoint;
    v.fadeStep = static_cast<float>(1 / (kReleaseSeconds * outputRate));
    if (w.sampledRelease && !v.leftLoop) {
        v.pos = ReadPosition(v);  // on forward from where it reads now
        v.leftLoop = true;
    }
}

}  // namespace

SoftSynth::SoftSynth(std::uint32_t outputRate)
    : outputRate_(std::max<std::uint32_t>(outputRate, 1)), voices_(std::make_unique<Voice[]>(kVoices))
{
}

SoftSynth::~SoftSynth() = default;

bool SoftSynth::Load(const std::string& path)
{
    auto fresh = std::make_unique<Bank>();
    {
        ImportOnlyHost host;
        WaveStore store(host, ImportTable(), ExportTable());
        if (!store.Imp(path) || !BankBuilder(store, outputRate_, *fresh).Build()) return false;
    }
    std::lock_guard lock(bankMutex_);
    bank_.swap(fresh);
    for (int i = 0; i < kVoices; ++i) voices_[i] = Voice{};
    instrument_ = 0;
    return true;
}

void SoftSynth::Send(std::span<const std::uint8_t> message)
{
    if (message.empty() || message.size() > 3 || message[0] < 0x80 || message[0] >= 0xF0) return;
    const std::uint32_t head = queueHead_.load(std::memory_order_relaxed);
    if (head - queueTail_.load(std::memory_order_acquire) == kQueueSize) return;  // full: the note is lost
    Message& slot = queue_[head % kQueueSize];
    slot = {};
    std::copy(message.begin(), message.end(), slot.bytes);
    queueHead_.store(head + 1, std::memory_order_release);
}

void SoftSynth::Render(std::span<std::int16_t> stereo)
{
    std::fill(stereo.begin(), stereo.end(), std::int16_t{0});
    std::unique_lock lock(bankMutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    const std::uint32_t head = queueHead_.load(std::memory_order_acquire);
    std::uint32_t tail = queueTail_.load(std::memory_order_relaxed);
    for (; tail != head; ++tail) Apply(queue_[tail % kQueueSize]);
    queueTail_.store(tail, std::memory_order_release);

    float mix[2 * kBlock];
    const std::size_t frames = stereo.size() / 2;
    for (std::size_t done = 0; done < frames;) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kBlock, frames - done));
        std::fill(mix, mix + 2 * n, 0.0f);
        MixBlock(mix, n);
        for (std::uint32_t i = 0; i < 2 * n; ++i) {
            stereo[2 * done + i] = static_cast<std::int16_t>(std::clamp(mix[i] * kHeadroom, -32768.0f, 32767.0f));
        }
        done += n;
    }
}

void SoftSynth::MixBlock(float* mix, std::uint32_t frames)
{
    for (int i = 0; i < kVoices; ++i) {
        Voice& v = voices_[i];
        if (v.wave != nullptr && !MixVoice(v, bendRatio_, mix, frames)) v.wave = nullptr;
    }
}

void SoftSynth::Apply(const Message& message)
{
    const std::uint8_t data1 = message.bytes[1] & 0x7F, data2 = message.bytes[2] & 0x7F;
    switch (message.bytes[0] & 0xF0) {
        case 0x80:
            NoteOff(data1);
            break;
        case 0x90:
            if (data2 == 0)
                NoteOff(data1);
            else
                NoteOn(data1, data2);
            break;
        case 0xB0:
            Controller(data1);
            break;
        case 0xC0:
            for (std::size_t i = 0; bank_ != nullptr && i < bank_->instruments.size(); ++i) {
                if (bank_->instruments[i].program == data1) instrument_ = static_cast<int>(i);
            }
            break;
        case 0xE0:
            bendRatio_ = std::exp2(((data1 | data2 << 7) - 8192) / 8192.0 * kBendSemitones / 12);
            break;
    }
}

void SoftSynth::Controller(std::uint8_t number)
{
    if (number == 120) {  // all sound off
        for (int i = 0; i < kVoices; ++i) voices_[i].wave = nullptr;
    } else if (number == 121) {  // reset controllers
        bendRatio_ = 1;
    } else if (number == 123) {  // all notes off
        for (int i = 0; i < kVoices; ++i) {
            if (voices_[i].wave != nullptr && voices_[i].held) Release(voices_[i], outputRate_);
        }
    }
}

void SoftSynth::NoteOn(std::uint8_t key, std::uint8_t velocity)
{
    if (bank_ == nullptr) return;
    const Instrument& instrument = bank_->instruments[static_cast<std::size_t>(instrument_)];
    const int index = instrument.keyMap[key];
    if (index < 0) return;
    NoteOff(key);  // a key struck again lets its earlier note go
    const Wave& w = bank_->waves[static_cast<std::size_t>(index)];
    Voice& v = FreeVoice();
    v = Voice{};
    v.wave = &w;
    v.key = key;
    v.held = true;
    v.order = ++notesStarted_;
    // The GF1 scale factor spreads the keys around the scale key; 1024 is a semitone a key.
    const double semitones = (w.scaleKey - w.rootKey) + (key - w.scaleKey) * w.scaleFactor / 1024 + w.fineTune / 128;
    v.step = w.rate * std::exp2(std::clamp(semitones, -128.0, 128.0) / 12);
    const float velocityGain = (velocity / 127.0f) * (velocity / 127.0f);
    v.left = w.left * instrument.volume * velocityGain;
    v.right = w.right * instrument.volume * velocityGain;
    v.level = w.levels[0];
}

void SoftSynth::NoteOff(std::uint8_t key)
{
    for (int i = 0; i < kVoices; ++i) {
        Voice& v = voices_[i];
        if (v.wave != nullptr && v.held && v.key == key) Release(v, outputRate_);
    }
}

// A free voice, else the oldest released one, else the oldest.
SoftSynth::Voice& SoftSynth::FreeVoice()
{
    Voice* best = &voices_[0];
    const auto rank = [](const Voice& v) { return std::make_tuple(v.wave != nullptr, v.held, v.order); };
    for (int i = 1; i < kVoices; ++i) {
        if (rank(voices_[i]) < rank(*best)) best = &voices_[i];
    }
    return *best;
}

int SoftSynth::ActiveVoices() const
{
    int count = 0;
    for (int i = 0; i < kVoices; ++i) count += voices_[i].wave != nullptr;
    return count;
}

bool SoftSynth::Sounding(std::uint8_t key) const
{
    for (int i = 0; i < kVoices; ++i) {
        if (voices_[i].wave != nullptr && voices_[i].key == key) return true;
    }
    return false;
}
