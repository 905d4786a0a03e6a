// Creative Voice: a text header, then typed blocks. The sound blocks of one layout become one
// wavesample; the copy routine walks the blocks again and decodes each run in turn.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kRead[] = "voc_Read";
constexpr char kCopy[] = "voc_Copy";  // the walker's messages carry it for the reader too
constexpr char kMagic[] = "Creative Voice File";
constexpr std::size_t kMagicBytes = sizeof kMagic - 1;

enum BlockType : std::uint8_t {
    kEnd = 0,
    kSound = 1,
    kContinuation = 2,
    kText = 5,
    kExtended = 8,
    kNewSound = 9,
};

// Block 9's header: the rate as stated, then the coding.
struct NewSoundHeader {
    le32 sampleRate;
    std::uint8_t bits;
    std::uint8_t channels;
    le16 format;
    std::uint8_t reserved[4];
};
static_assert(sizeof(NewSoundHeader) == 12);

// Block 8's header: it sets channels and rate for the type-1 block that follows.
struct ExtendedHeader {
    le16 timeConstant;
    std::uint8_t pack;
    std::uint8_t stereo;
};
static_assert(sizeof(ExtendedHeader) == 4);

// One sound block's data: its layout (offset and bytes: the run present in the file).
struct Run {
    SampleLayout layout;
    std::uint32_t rate = 0;
    std::uint64_t missing = 0;  // bytes the block declares past the end of the file
};

bool SameLayout(const SampleLayout& a, const SampleLayout& b)
{
    return a.coding == b.coding && a.bits == b.bits && a.channels == b.channels && a.isSigned == b.isSigned;
}

SampleLayout Unsigned8(std::uint8_t channels)
{
    return {.bits = 8, .channels = channels, .isSigned = false};
}

// The stored layout of a type-9 block; false for a coding this reader does not decode.
bool CodingOf(const NewSoundHeader& h, SampleLayout& layout)
{
    layout.channels = h.channels;
    switch (h.format) {
        case 0:
            layout.isSigned = false;
            return h.bits == 8;
        case 4:
            layout.bits = 16;
            return h.bits == 16;
        case 6:
            layout.coding = SampleCoding::ALaw;
            return true;
        case 7:
            layout.coding = SampleCoding::MuLaw;
            return true;
        default:
            return false;
    }
}

class BlockWalker {
public:
    explicit BlockWalker(ByteReader& reader) : reader_(reader) {}

    // The next sound block's run (`found`), or the end of the walk; false with LastError.
    // A text block fills `note` when one is given.
    bool Next(char (*note)[kNameSize], Run& run, bool& found)
    {
        found = false;
        while (!ended_ && reader_.Left() > 0) {
            const std::uint8_t type = reader_.U8();
            if (type == kEnd || reader_.Left() == 0) break;
            const std::uint32_t size = reader_.Le24();
            ByteReader block = reader_.Sub(size);
            const std::uint64_t missing = size - block.Left();
            bool usable = true;  // the block holds its own header
            switch (type) {
                case kSound:
                    if (!Sound(block, run, usable)) return false;
                    break;
                case kContinuation:
                    run.layout = last_.layout;
                    run.rate = last_.rate;
                    break;
                case kNewSound:
                    if (!NewSound(block, run, usable)) return false;
                    break;
                case kExtended: {
                    haveExtended_ = block.Left() >= sizeof(ExtendedHeader);
                    const auto h = block.Get<ExtendedHeader>();
                    // Rounded: writers store the time constant that comes nearest their rate.
                    const std::uint32_t channels = h.stereo != 0 ? 2 : 1;
                    const std::uint32_t divisor = channels * (65536 - h.timeConstant);
                    extended_ = {Unsigned8(static_cast<std::uint8_t>(channels)), (256000000 + divisor / 2) / divisor,
                                 0};
                    extendedPack_ = h.pack;
                    continue;
                }
                case kText:
                    if (note != nullptr)
                        block.Text(*note,
                                   static_cast<std::size_t>(std::min<std::uint64_t>(block.Left(), kNameSize - 1)));
                    continue;
                default:
                    continue;  // silence, markers, repeats: no samples of their own
            }
            if (!usable) continue;
            run.layout.offset = block.Offset();
            run.layout.bytes = block.Left();
            run.missing = missing;
            last_ = run;
            found = true;
            return true;
        }
        ended_ = true;
        return true;
    }

    // The file ends before a block it began.
    bool CutShort() const { return reader_.Truncated(); }

private:
    bool Sound(ByteReader& block, Run& run, bool& usable)
    {
        usable = block.Left() >= 2;
        if (!usable) return true;
        const std::uint8_t timeConstant = block.U8();
        const std::uint8_t pack = block.U8();
        if (haveExtended_) {
            haveExtended_ = false;
            if (extendedPack_ != 0) return Fail(kCopy, "Can only handle 8bit VOCs");
            run = extended_;
            return true;
        }
        if (timeConstant == 0) return Fail(kCopy, "Sample rate is zero?");
        if (pack != 0) return Fail(kCopy, "Can only handle 8bit VOCs");
        run.layout = Unsigned8(1);
        run.rate = 992250 / (256 - timeConstant);
        return true;
    }

    static bool NewSound(ByteReader& block, Run& run, bool& usable)
    {
        usable = block.Left() >= sizeof(NewSoundHeader);
        if (!usable) return true;
        const auto h = block.Get<NewSoundHeader>();
        run.layout = {};
        if (!CodingOf(h, run.layout)) return Fail(kCopy, "Unsupported compression type");
        if (h.channels == 0 || h.channels > 2) return Fail(kCopy, "Only mono and stereo sound blocks can be read");
        if (h.sampleRate == 0) return Fail(kCopy, "Sample rate is zero?");
        run.rate = h.sampleRate;
        return true;
    }

    ByteReader& reader_;
    Run last_{Unsigned8(1), 992250 / 255, 0};  // a continuation with nothing before it
    Run extended_;
    std::uint8_t extendedPack_ = 0;
    bool haveExtended_ = false;
    bool ended_ = false;
};

}  // namespace

int voc_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), kMagic, kMagicBytes) == 0 ? 2 : 0;
}

bool voc_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    char head[22];
    reader.Read(head, sizeof head);
    if (reader.Truncated() || strncasecmp(head, kMagic, kMagicBytes) != 0) return Fail(kRead, "Not a VOC file!");
    reader.Seek(reader.U8() == 13 ? 27 : 26);
    const std::uint64_t dataOffset = reader.Offset();

    // Items are made only after the walk, so that a refused file leaves none behind.
    char note[kNameSize] = "";
    BlockWalker walker(reader);
    Run run, first;
    std::uint64_t frames = 0, missingFrames = 0;
    bool ok = true, found = false, any = false, skipped = false;
    while ((ok = walker.Next(&note, run, found)) && found) {
        if (!any) first = run;
        any = true;
        if (!SameLayout(run.layout, first.layout)) {
            skipped = true;
            continue;
        }
        frames += FramesIn(run.layout, run.layout.bytes);
        missingFrames += FramesIn(run.layout, run.missing);
        first.rate = run.rate;
    }
    if (!ok) return false;
    store.NewBank(head, static_cast<int>(kMagicBytes));
    WavesampleRec& wave = *store.NewWavesample(1, voc_Copy, nullptr, 0);
    std::memcpy(store.NewInstrument(1, 1, nullptr, 0)->note, note, sizeof note);
    if (skipped) store.host.Warn("Sound blocks whose format differs from the first were skipped");
    if (walker.CutShort()) store.NoteCutShort(missingFrames);

    wave.layout = any ? first.layout : Unsigned8(1);
    wave.layout.offset = dataOffset;
    wave.layout.bytes = reader.Size() > dataOffset ? reader.Size() - dataOffset : 0;
    wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, UINT32_MAX));
    wave.sampleRate = any ? first.rate : 992250 / 255;
    return true;
}

bool voc_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(kCopy, "Couldn't open input file", wave.sourcePath, errno);
    ByteReader reader(file);
    reader.Seek(wave.layout.offset);
    BlockWalker walker(reader);
    WavesampleRec part = wave;
    Run run;
    std::uint32_t remaining = wave.length;
    bool ok = true, found = false;
    while (remaining > 0 && (ok = walker.Next(nullptr, run, found)) && found) {
        if (!SameLayout(run.layout, wave.layout)) continue;
        part.layout = run.layout;
        part.length =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, FramesIn(run.layout, run.layout.bytes)));
        if (part.length > 0 && !DecodeStored(kCopy, part, sink)) return false;
        remaining -= part.length;
    }
    if (remaining == 0 || !ok) return ok;
    // The file changed since it was read: what it no longer holds is silence or a failure.
    part.layout = wave.layout;
    part.layout.bytes = 0;
    part.length = remaining;
    return DecodeStored(kCopy, part, sink);
}
