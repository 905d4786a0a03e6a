// RIFF WAVE writer. Little-endian.
#include <cstddef>
#include <cstring>

#include "formats/common/chunks.h"
#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "wav_Write";

ByteWriter FormatChunk(const WavesampleRec& wave, std::uint32_t width, std::uint32_t channels)
{
    return RiffChunk("fmt ", ByteWriter{}
                                 .Le16(1)
                                 .Le16(static_cast<std::uint16_t>(channels))
                                 .Le32(wave.sampleRate)
                                 .Le32(wave.sampleRate * width * channels)
                                 .Le16(static_cast<std::uint16_t>(width * channels))
                                 .Le16(static_cast<std::uint16_t>(8 * width)));
}

ByteWriter InfoList(const WavesampleRec& wave)
{
    ByteWriter info = ByteWriter{}.Tag("INFO");
    info.Append(RiffChunk("INAM", PaddedName(wave.name)));
    info.Append(RiffChunk("ICMT", PaddedName(wave.name)));
    info.Append(RiffChunk("ISFT", ByteWriter{}.Text(kShortCreatorText, 48)));
    return RiffChunk("LIST", info);
}

ByteWriter LoopMarkers(const LoopPoints& loop)
{
    ByteWriter cues = ByteWriter{}.Le32(3);
    const std::uint32_t offsets[3] = {loop.start, loop.start, loop.end};
    for (std::uint32_t id = 0; id < 3; ++id) cues.Le32(id).Le32(id).Tag("data").Le32(0).Le32(0).Le32(offsets[id]);
    ByteWriter labels = ByteWriter{}.Tag("adtl");
    labels.Append(RiffChunk("ltxt", ByteWriter{}.Le32(0).Le32(loop.end - loop.start).Tag("mark").Zeros(8)));
    labels.Append(RiffChunk("labl", ByteWriter{}.Le32(0).Text("Loop Range", 12)));
    labels.Append(RiffChunk("labl", ByteWriter{}.Le32(1).Text("Loop Start", 12)));
    labels.Append(RiffChunk("labl", ByteWriter{}.Le32(2).Text("Loop End", 10)));
    return RiffChunk("cue ", cues).Append(RiffChunk("LIST", labels));
}

ByteWriter SamplerChunk(const WavesampleRec& wave, const LoopPoints& loop)
{
    const std::uint32_t loopType = !Loops(wave) ? 255 : (wave.loopFlags & kLoopBidirectional) != 0 ? 1 : 0;
    const std::uint32_t fraction =
        wave.loopEndFrac >= wave.loopStartFrac ? std::uint32_t(wave.loopEndFrac - wave.loopStartFrac) << 24 : 0;
    ByteWriter body;
    body.Le32(0).Le32(0);
    body.Le32(wave.sampleRate != 0 ? 1000000000u / wave.sampleRate : 0);
    body.Le32(wave.rootKey).Le32(wave.fineTune > 0 ? std::uint32_t(wave.fineTune) << 25 : 0);
    body.Le32(0).Le32(0).Le32(1).Le32(0);
    body.Le32(0).Le32(loopType).Le32(loop.start).Le32(loop.end).Le32(fraction).Le32(0);
    return RiffChunk("smpl", body);
}

}  // namespace

bool wav_Write(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kWhere, "WAV");
    const std::uint32_t width = Delivered(*wave).bytesPerSample > 1 ? 2 : 1;
    const std::uint32_t channels = wave->layout.channels > 1 ? 2 : 1;
    // Headers and trailing chunks take well under 64 KB; the data must leave them room.
    if (std::uint64_t{wave->length} * width * channels > UINT32_MAX - 65536) {
        return Fail(kWhere, "Wavesample too large for a WAVE file");
    }
    FileChunk riff(*file, ChunkOrder::Riff, "RIFF");
    if (!ByteWriter{}.Tag("WAVE").Append(FormatChunk(*wave, width, channels)).WriteTo(*file)) {
        return Fail(kWhere, "File Write Error");
    }
    NoteSampleLosses(store, *wave, false);
    const LoopPoints loop = LoopToWrite(store, *wave);
    FileChunk data(*file, ChunkOrder::Riff, "data");
    // A failed copy would leave a file without its data: the export fails instead.
    if (!CopyToFile(*wave, width == 2 ? SinkSignedLE : SinkUnsignedLE, *file, kWhere)) return false;
    const bool written = data.Close(0x80) && InfoList(*wave).WriteTo(*file) &&
                         (!Loops(*wave) || LoopMarkers(loop).WriteTo(*file)) &&
                         SamplerChunk(*wave, loop).WriteTo(*file) && riff.Close();
    return written || Fail(kWhere, "File Write Error");
}
