// AIFF and IFF (8SVX, 16SV) writers: one wavesample with its rate, loop and name. Big-endian.
#include <algorithm>
#include <array>

#include "formats/common/chunks.h"
#include "formats/common/extended_rate.h"
#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kAiffWhere[] = "aiff_Write";
constexpr char kIffWhere[] = "iff_Write";

// What both forms write of a wavesample: 8- or 16-bit samples, one or two channels.
struct Shape {
    std::uint32_t width;
    std::uint32_t channels;
    std::uint64_t dataBytes;
};

Shape ShapeOf(const WavesampleRec& wave)
{
    const std::uint32_t width = Delivered(wave).bytesPerSample > 1 ? 2 : 1;
    const std::uint32_t channels = wave.layout.channels > 1 ? 2 : 1;
    return {width, channels, std::uint64_t{wave.length} * width * channels};
}

// Sustain and release loop play mode: 0 none, 1 forward, 2 forward and backward.
std::uint16_t PlayMode(const WavesampleRec& wave)
{
    if (!Loops(wave)) return 0;
    return (wave.loopFlags & kLoopBidirectional) != 0 ? 2 : 1;
}

ByteWriter AiffHeaderChunks(const WavesampleRec& wave, const Shape& shape, const LoopPoints& loop)
{
    const std::array<std::uint8_t, 10> rate = RateToExtended(wave.sampleRate);
    ByteWriter common = ByteWriter{}
                            .Be16(static_cast<std::uint16_t>(shape.channels))
                            .Be32(wave.length)
                            .Be16(static_cast<std::uint16_t>(8 * shape.width));
    for (const std::uint8_t byte : rate) common.U8(byte);
    // Both markers always, the loop switched on only by the play mode.
    const ByteWriter markers = ByteWriter{}
                                   .Be16(2)
                                   .Be16(1).Be32(loop.start).U8(9).Text("beg loop", 9)
                                   .Be16(2).Be32(loop.end).U8(9).Text("end loop", 9);
    const std::uint16_t mode = PlayMode(wave);
    const ByteWriter instrument = ByteWriter{}
                                      .U8(wave.rootKey)
                                      .U8(static_cast<std::uint8_t>(wave.fineTune * 100 / 128))
                                      .U8(0).U8(127).U8(0).U8(127)
                                      .Be16(0)
                                      .Be16(mode).Be16(1).Be16(2)
                                      .Be16(mode).Be16(1).Be16(2);
    return ByteWriter{}
        .Tag("AIFF")
        .Append(IffChunk("COMM", common))
        .Append(IffChunk("MARK", markers))
        .Append(IffChunk("INST", instrument))
        .Append(IffChunk("NAME", PaddedName(wave.name)));
}

ByteWriter IffHeaderChunks(WaveStore& store, const WavesampleRec& wave, const Shape& shape, const LoopPoints& loop)
{
    const bool loops = Loops(wave);
    if (wave.sampleRate > 65535) store.NoteLoss("Sample rates above 65535 Hz lowered to it");
    const ByteWriter header = ByteWriter{}
                                  .Be32(loops ? loop.start : wave.length)
                                  .Be32(loops ? wave.length - loop.start : 0)
                                  .Be32(loops ? loop.end - loop.start : 0)
                                  .Be16(static_cast<std::uint16_t>(std::min<std::uint32_t>(wave.sampleRate, 65535)))
                                  .U8(1)
                                  .U8(0)
                                  .Be32(std::uint32_t{wave.volume} * 65536 / 127);
    return ByteWriter{}
        .Tag(shape.width == 2 ? "16SV" : "8SVX")
        .Append(IffChunk("VHDR", header))
        .Append(IffChunk("NAME", PaddedName(wave.name)))
        .Append(IffChunk("CHAN", ByteWriter{}.Be32(shape.channels > 1 ? 6 : 1)));
}

// The form around the header chunks and the data chunk, its data written by the copy routine.
bool WriteForm(WaveStore& store, File& file, const WavesampleRec& wave, bool aiff)
{
    const char* const where = aiff ? kAiffWhere : kIffWhere;
    const Shape shape = ShapeOf(wave);
    // Headers take well under 64 KB; the data must leave them room in the form's 32-bit size.
    if (shape.dataBytes > UINT32_MAX - 65536) return Fail(where, "Wavesample too large for this format");
    NoteSampleLosses(store, wave, false);
    const LoopPoints loop = LoopToWrite(store, wave);
    FileChunk form(file, ChunkOrder::Iff, "FORM");
    const ByteWriter headers = aiff ? AiffHeaderChunks(wave, shape, loop) : IffHeaderChunks(store, wave, shape, loop);
    if (!headers.WriteTo(file)) return Fail(where, "File Write Error");
    FileChunk data(file, ChunkOrder::Iff, aiff ? "SSND" : "BODY");
    if (aiff && !ByteWriter{}.Be32(0).Be32(0).WriteTo(file)) return Fail(where, "File Write Error");
    // A failed copy would leave a file without its data: the export fails instead.
    // IFF voices keep their channels one after the other: one pass per channel.
    const bool planar = !aiff && shape.channels == 2;
    for (int channel = planar ? 0 : -1; channel < (planar ? 2 : 0); ++channel) {
        if (!CopyToFile(wave, SinkSignedBE, file, where, channel)) return false;
    }
    // The pad byte after odd data stays out of the chunk's size: SoX and libsndfile count what the
    // size holds as samples.
    const bool written = data.Close() && form.Close();
    return written || Fail(where, "File Write Error");
}

}  // namespace

bool aiff_Write(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kAiffWhere, "AIFF");
    return WriteForm(store, *file, *wave, true);
}

bool iff_Write(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kIffWhere, "IFF");
    return WriteForm(store, *file, *wave, false);
}
