// RIFF WAVE writer. Little-endian.
#include "formats/audio/wav_write.h"

#include <cstddef>
#include <cstring>

#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "wav_Write";

struct WaveHeader {
    char riff[4];
    le32 riffSize;
    char wave[4];
    char fmt[4];
    le32 fmtSize;  // 16
    le16 formatTag;
    le16 channels;
    le32 sampleRate;
    le32 byteRate;
    le16 blockAlign;
    le16 bitsPerSample;
    char data[4];
    le32 dataSize;
};
static_assert(sizeof(WaveHeader) == 44);
static_assert(offsetof(WaveHeader, dataSize) == 40);

constexpr std::uint32_t kHeaderAndSamplerBytes = 112;
constexpr std::uint32_t kLoopMarkerBytes = 194;

// The name with its terminator, padded to an even count.
std::uint32_t PaddedNameSize(const WavesampleRec& wave)
{
    return static_cast<std::uint32_t>((std::strlen(wave.name) + 2) & ~std::size_t{1});
}

ByteWriter InfoList(const WavesampleRec& wave)
{
    const std::uint32_t n = PaddedNameSize(wave);
    ByteWriter w;
    w.Tag("LIST").Le32(2 * n + 48 + 28).Tag("INFO");
    w.Tag("INAM").Le32(n).Text(wave.name, n);
    w.Tag("ICMT").Le32(n).Text(wave.name, n);
    w.Tag("ISFT").Le32(48).Text(kShortCreatorText, 48);
    return w;
}

ByteWriter LoopMarkers(const WavesampleRec& wave)
{
    ByteWriter w;
    w.Tag("cue ").Le32(76).Le32(3);
    const std::uint32_t offsets[3] = {wave.loopStart, wave.loopStart, wave.loopEnd};
    for (std::uint32_t id = 0; id < 3; ++id) {
        w.Le32(id).Le32(id).Tag("data").Le32(0).Le32(0).Le32(offsets[id]);
    }
    w.Tag("LIST").Le32(102).Tag("adtl");
    w.Tag("ltxt").Le32(20).Le32(0).Le32(wave.loopEnd - wave.loopStart).Tag("mark").Zeros(8);
    w.Tag("labl").Le32(16).Le32(0).Text("Loop Range", 12);
    w.Tag("labl").Le32(16).Le32(1).Text("Loop Start", 12);
    w.Tag("labl").Le32(14).Le32(2).Text("Loop End", 10);
    return w;
}

ByteWriter SamplerChunk(const WavesampleRec& wave)
{
    const std::uint32_t loopType = !Loops(wave) ? 255 : (wave.loopFlags & kLoopBidirectional) != 0 ? 1 : 0;
    const std::uint32_t fraction =
        wave.loopEndFrac >= wave.loopStartFrac ? std::uint32_t(wave.loopEndFrac - wave.loopStartFrac) << 24 : 0;
    ByteWriter w;
    w.Tag("smpl").Le32(60).Le32(0).Le32(0);
    w.Le32(wave.sampleRate != 0 ? 1000000000u / wave.sampleRate : 0);
    w.Le32(wave.rootKey).Le32(wave.fineTune > 0 ? std::uint32_t(wave.fineTune) << 25 : 0);
    w.Le32(0).Le32(0).Le32(1).Le32(0);
    w.Le32(0).Le32(loopType).Le32(wave.loopStart).Le32(wave.loopEnd).Le32(fraction).Le32(0);
    return w;
}

}  // namespace

bool wav_Write(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kWhere, "WAV");
    const std::uint32_t w = wave->bytesPerSample > 1 ? 2 : 1;
    const std::uint32_t c = wave->channels > 1 ? 2 : 1;
    const std::uint64_t bytes = std::uint64_t{wave->length} * w * c;
    const std::uint64_t padded = bytes + (bytes & 1);
    const ByteWriter info = InfoList(*wave);
    const std::uint64_t riffSize = padded + (info.Size() - 8) + kHeaderAndSamplerBytes +
                                   (Loops(*wave) ? kLoopMarkerBytes : 0);
    if (riffSize > UINT32_MAX) return Fail(kWhere, "Wavesample too large for a WAVE file");

    WaveHeader header{};
    std::memcpy(header.riff, "RIFF", 4);
    header.riffSize.Set(static_cast<std::uint32_t>(riffSize));
    std::memcpy(header.wave, "WAVE", 4);
    std::memcpy(header.fmt, "fmt ", 4);
    header.fmtSize.Set(16);
    header.formatTag.Set(1);
    header.channels.Set(static_cast<std::uint16_t>(c));
    header.sampleRate.Set(wave->sampleRate);
    header.byteRate.Set(wave->sampleRate * w * c);
    header.blockAlign.Set(static_cast<std::uint16_t>(w * c));
    header.bitsPerSample.Set(w == 2 ? 16 : 8);
    std::memcpy(header.data, "data", 4);
    // The size counts the samples only; the pad byte follows outside it, as RIFF has it.
    header.dataSize.Set(static_cast<std::uint32_t>(bytes));
    if (!file->Write(&header, sizeof header)) return Fail(kWhere, "File Write Error");

    // A failed copy would leave a file without its data: the export fails instead.
    if (!CopyToFile(store, *wave, w == 2 ? SinkSignedLE : SinkUnsignedLE, *file)) return false;
    const std::uint8_t pad = 0x80;
    const bool written = ((bytes & 1) == 0 || file->Write(&pad, 1)) && info.WriteTo(*file) &&
                         (!Loops(*wave) || LoopMarkers(*wave).WriteTo(*file)) && SamplerChunk(*wave).WriteTo(*file);
    return written || Fail(kWhere, "File Write Error");
}
