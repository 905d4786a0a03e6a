// Text audio: one sample value per number, numbers separated by commas or line ends, ";"
// starting a comment. The text is read in bounded pieces, never whole.
#include <algorithm>
#include <cerrno>
#include <memory>

#include "formats/formats.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "txt_Read";
constexpr char kNotText[] = "Not a Text formatted data file";

// The bytes of a text one at a time, read a bounded piece at a time; -1 at the end.
class TextSource {
public:
    explicit TextSource(ByteReader reader) : reader_(reader) {}

    int Next()
    {
        if (at_ == got_) {
            got_ = reader_.Read(buffer_, std::min<std::uint64_t>(sizeof buffer_, reader_.Left()));
            at_ = 0;
            if (got_ == 0) return -1;
        }
        return buffer_[at_++];
    }

private:
    ByteReader reader_;
    std::uint8_t buffer_[16384];
    std::size_t at_ = 0;
    std::size_t got_ = 0;
};

enum class Parsed { Number, End, Error };

// The next number of the text. A sign read before a number's first digit toggles; one after
// a digit, any character the format does not know, or an eleventh digit is an error.
Parsed NextNumber(TextSource& text, std::int64_t& out)
{
    std::int64_t value = 0;
    bool negative = false;
    int digits = 0;
    for (;;) {
        int c = text.Next();
        if (c == ';') {
            while (c != '\n' && c != -1) c = text.Next();
        }
        // A number the text ends on counts, with or without a comment after it.
        if (c == -1) {
            if (digits == 0) return Parsed::End;
            c = '\n';
        }
        if (c == '\n' || c == ',') {
            if (digits > 0) {
                out = negative ? -value : value;
                return Parsed::Number;
            }
            negative = false;
        } else if (c == '-') {
            if (digits > 0) return Parsed::Error;
            negative = !negative;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 10) return Parsed::Error;
            value = value * 10 + (c - '0');
        } else if (c != ' ' && c != '\r') {
            return Parsed::Error;
        }
    }
}

// One value as the sample the wavesample's `bits` make of it: shifted up to fill 8 or 16 bits,
// or down to the top 16 of wider ones.
std::uint16_t SampleOf(std::int64_t v, unsigned bits)
{
    if (bits <= 8) return static_cast<std::uint8_t>(v * (std::int64_t{1} << (8 - bits)));
    if (bits <= 16) return static_cast<std::uint16_t>(v * (std::int64_t{1} << (16 - bits)));
    return static_cast<std::uint16_t>(v >> (bits - 16));
}

}  // namespace

int txt_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    // The head is zero-filled past the end of a short file: the text ends there.
    const auto end = std::find(head.begin(), head.end(), std::uint8_t{0});
    TextSource text{
        ByteReader(std::span<const std::uint8_t>(head.data(), static_cast<std::size_t>(end - head.begin())))};
    std::int64_t value = 0;
    return NextNumber(text, value) == Parsed::Number ? 1 : 0;
}

bool txt_Read(WaveStore& store, File& file)
{
    TextSource text{ByteReader(file)};
    std::uint64_t count = 0;
    std::int64_t smallest = 0, largest = 0, value = 0;
    for (Parsed p; (p = NextNumber(text, value)) != Parsed::End; ++count) {
        if (p == Parsed::Error) return Fail(kWhere, kNotText);
        smallest = std::min(smallest, value);
        largest = std::max(largest, value);
    }
    if (count > UINT32_MAX) return Fail(kWhere, "More numbers than a wavesample can hold");
    const bool isSigned = smallest < 0;
    unsigned bits = isSigned ? 1 : 0;
    for (std::int64_t m = std::max(-smallest, largest); m != 0; m /= 2) ++bits;
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, txt_Copy, nullptr, 0);
    wave.layout = {.bits = static_cast<std::uint8_t>(bits), .isSigned = isSigned, .bytes = file.Size()};
    wave.length = static_cast<std::uint32_t>(count);
    wave.sampleRate = 22050;
    return true;
}

bool txt_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    constexpr char kCopy[] = "txt_Copy";
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(kCopy, "Couldn't open input file", wave.sourcePath, errno);
    TextSource text{ByteReader(file)};
    const PcmFormat format = Delivered(wave);
    constexpr std::uint32_t kPieceFrames = 4096;
    const auto piece = std::make_unique<std::uint8_t[]>(std::size_t{kPieceFrames} * format.FrameBytes());
    // Numbers the text no longer holds (it changed since it was read) are silence.
    const std::int64_t silence =
        format.isSigned ? 0 : std::int64_t{1} << (std::max(wave.layout.bits, std::uint8_t{1}) - 1);
    bool ended = false;
    for (std::uint32_t remaining = wave.length; remaining > 0;) {
        const std::uint32_t frames = std::min(remaining, kPieceFrames);
        for (std::size_t i = 0; i < std::size_t{frames} * format.channels; ++i) {
            std::int64_t value = silence;
            if (!ended) {
                const Parsed p = NextNumber(text, value);
                if (p == Parsed::Error) return Fail(kCopy, kNotText);
                ended = p == Parsed::End;
                if (ended) value = silence;
            }
            const std::uint16_t sample = SampleOf(value, wave.layout.bits);
            if (format.bytesPerSample == 1) {
                piece[i] = static_cast<std::uint8_t>(sample);
            } else {
                StoreLe16(&piece[2 * i], sample);
            }
        }
        if (!sink.Take(format, piece.get(), frames)) return false;
        remaining -= frames;
    }
    return true;
}
