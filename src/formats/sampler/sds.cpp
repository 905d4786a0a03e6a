// MIDI Sample Dump files. SDS: the system-exclusive bytes of one dump as they go over the
// cable, a 21-byte dump header and 127-byte data packets; read and written. SDX: one dump kept
// compact, a name and a comment, the dump header's fields as plain numbers, then unsigned
// little-endian PCM.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/common/sample_data.h"
#include "formats/common/seven_bit.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/byte_writer.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kRead[] = "sds_Read";
constexpr char kCopy[] = "sds_Copy";
constexpr char kWrite[] = "sds_Write";
constexpr char kSdxRead[] = "sdx_Read";

struct SdsHeader {
    std::uint8_t sysex;  // 0xF0 0x7E channel 0x01 ... 0xF7
    std::uint8_t universal;
    std::uint8_t channel;
    std::uint8_t dumpHeader;
    std::uint8_t sampleNumber[2];
    std::uint8_t bits;
    std::uint8_t period[3];  // ns
    std::uint8_t length[3];
    std::uint8_t loopStart[3];
    std::uint8_t loopEnd[3];
    std::uint8_t loopType;  // 0 forward, 1 alternating, 127 off
    std::uint8_t eox;
};
static_assert(sizeof(SdsHeader) == 21);
static_assert(offsetof(SdsHeader, bits) == 6 && offsetof(SdsHeader, loopType) == 19);

constexpr std::uint64_t kDataAt = sizeof(SdsHeader);
constexpr std::size_t kPacketBytes = 127;
constexpr std::size_t kPacketData = 120;
constexpr std::size_t kPacketDataAt = 5;
constexpr std::uint32_t kMaxField = (1u << 21) - 1;
constexpr std::uint8_t kLoopOff = 127;

bool IsDumpHeader(const std::uint8_t* b)
{
    return b[0] == 0xF0 && b[1] == 0x7E && b[3] == 0x01 && b[20] == 0xF7;
}

bool IsDataPacket(const std::uint8_t* b)
{
    return b[0] == 0xF0 && b[1] == 0x7E && b[3] == 0x02 && b[126] == 0xF7;
}

// Data bytes one sample takes: its bits in 7-bit groups.
unsigned GroupsPerSample(unsigned bits)
{
    return (bits + 6) / 7;
}

std::uint32_t SamplesPerPacket(unsigned bits)
{
    return kPacketData / GroupsPerSample(bits);
}

std::uint8_t LoopFlags(std::uint8_t type)
{
    if (type == 0) return kLoopFound;
    if (type == 1) return kLoopFound | kLoopBidirectional;
    return 0;
}

struct SdxHeader {
    std::uint8_t unused;
    le16 sampleNumber;
    std::uint8_t bits;
    le32 sampleRate;
    le32 length;
    le32 loopStart;
    le32 loopEnd;
    std::uint8_t loopType;  // 0 forward, 1 bidirectional, 127 off
    std::uint8_t unused2;
};
static_assert(sizeof(SdxHeader) == 22);
static_assert(offsetof(SdxHeader, sampleRate) == 4 && offsetof(SdxHeader, loopType) == 20);

// Text up to its end mark; what a name field cannot hold is cut. False when the file ends first.
bool ReadMarkedText(ByteReader& reader, std::uint8_t mark, std::string& text)
{
    for (std::uint8_t c = reader.U8(); !reader.Truncated(); c = reader.U8()) {
        if (c == mark) return true;
        if (text.size() + 1 < kNameSize) text += static_cast<char>(c);
    }
    return false;
}

// The dump's packets from the header on, as long as each is framed as a data packet.
std::uint64_t PacketsPresent(ByteReader& reader, std::uint64_t wanted)
{
    std::array<std::uint8_t, kPacketBytes> packet;
    std::uint64_t count = 0;
    reader.Seek(kDataAt);
    while (count < wanted && reader.Read(packet.data(), packet.size()) == packet.size() && IsDataPacket(packet.data())) {
        ++count;
    }
    return count;
}

// One packet's samples as unsigned PCM: 8-bit dumps as bytes, others as 16-bit words. Each
// sample is left-justified in its groups, most significant group first.
void DecodePacket(const std::uint8_t* data, unsigned bits, std::uint32_t samples, std::uint8_t* out)
{
    const unsigned groups = GroupsPerSample(bits);
    for (std::uint32_t i = 0; i < samples; ++i, data += groups) {
        std::uint64_t v = 0;
        for (unsigned g = 0; g < groups; ++g) v = v << 7 | (data[g] & 127u);
        if (bits <= 8) {
            out[i] = static_cast<std::uint8_t>(v << 8 >> (7 * groups));
        } else {
            StoreLe16(out + 2 * i, static_cast<std::uint16_t>(v << 16 >> (7 * groups)));
        }
    }
}

// Collects the data bytes of a dump and writes each full packet with its number and checksum.
class PacketWriter {
public:
    explicit PacketWriter(File& file) : file_(file) {}

    bool Put(std::uint8_t byte)
    {
        packet_[kPacketDataAt + fill_++] = byte;
        return fill_ < kPacketData || Flush();
    }

    // A part-filled last packet is filled with zero bytes.
    bool Finish() { return fill_ == 0 || Flush(); }

private:
    bool Flush()
    {
        std::fill(packet_.begin() + kPacketDataAt + fill_, packet_.begin() + kPacketDataAt + kPacketData, 0);
        packet_[0] = 0xF0;
        packet_[1] = 0x7E;
        packet_[2] = 0;
        packet_[3] = 0x02;
        packet_[4] = number_;
        std::uint8_t checksum = 0;
        for (std::size_t i = 1; i < kPacketDataAt + kPacketData; ++i) checksum ^= packet_[i];
        packet_[125] = checksum & 127;
        packet_[126] = 0xF7;
        number_ = (number_ + 1) & 127;
        fill_ = 0;
        return file_.Write(packet_.data(), packet_.size()) || Fail(kWrite, "File Write Error");
    }

    File& file_;
    std::array<std::uint8_t, kPacketBytes> packet_{};
    std::size_t fill_ = 0;
    std::uint8_t number_ = 0;
};

std::uint32_t Unsigned16(const std::uint8_t* p)
{
    return p[0] | p[1] << 8;
}

// Takes frames of the wavesample's own width, made unsigned; two channels are averaged.
class SdsPacketSink : public SampleSink {
public:
    explicit SdsPacketSink(File& file) : packets_(file) {}

    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override
    {
        ConvertSamples(format, data, frames, false, false, false, true);
        const std::size_t width = format.bytesPerSample, stride = width * format.channels;
        for (std::uint32_t f = 0; f < frames; ++f) {
            const std::uint8_t* p = data + f * stride;
            std::uint32_t v = width == 2 ? Unsigned16(p) : p[0];
            if (format.channels > 1) v = (v + (width == 2 ? Unsigned16(p + 2) : p[1])) / 2;
            const bool ok = width == 2 ? Put(v >> 9, v >> 2, v << 5) : Put(v >> 1, v << 6);
            if (!ok) return false;
        }
        return true;
    }

    bool Finish() { return packets_.Finish(); }

private:
    template <typename... Groups>
    bool Put(Groups... groups)
    {
        return (packets_.Put(static_cast<std::uint8_t>(groups & 127u)) && ...);
    }

    PacketWriter packets_;
};

void PutGroups(ByteWriter& out, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) out.U8(static_cast<std::uint8_t>(value >> (7 * i) & 127));
}

ByteWriter DumpHeader(const WavesampleRec& wave, const LoopPoints& loop, unsigned bits)
{
    const std::uint32_t period = wave.sampleRate == 0 ? 0 : 1000000000u / wave.sampleRate;
    std::uint8_t loopType = kLoopOff;
    if (Loops(wave)) loopType = (wave.loopFlags & kLoopBidirectional) != 0 ? 1 : 0;
    ByteWriter header = ByteWriter{}.U8(0xF0).U8(0x7E).U8(0).U8(0x01).U8(0).U8(0).U8(static_cast<std::uint8_t>(bits));
    PutGroups(header, std::min(period, kMaxField), 3);
    for (std::uint32_t v : {wave.length, loop.start, loop.end}) PutGroups(header, v, 3);
    return header.U8(loopType).U8(0xF7);
}

}  // namespace

int sds_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return IsDumpHeader(head.data()) ? 2 : 0;
}

bool sds_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SdsHeader>();
    if (reader.Truncated() || !IsDumpHeader(&h.sysex)) {
        return Fail(kRead, "Not an raw Midi Sample Dump Standard file");
    }
    if (h.bits > 16) return Fail(kRead, "Can't handle > 16 bits / sample");
    if (h.bits == 0) return Fail(kRead, "Not an raw Midi Sample Dump Standard file");
    store.NewBank(nullptr, 0);
    const std::uint32_t number = SevenBitNumber(h.sampleNumber);
    const std::string name = "No " + std::to_string(number);
    WavesampleRec& wave = *store.NewWavesample(number, sds_Copy, name.c_str(), static_cast<int>(name.size()));
    wave.layout.bits = h.bits;
    wave.layout.isSigned = false;
    wave.layout.offset = kDataAt;
    const std::uint32_t period = SevenBitNumber(h.period);
    if (period != 0) wave.sampleRate = 1000000000u / period;
    // A dump cut short, or one whose packets stop making sense, keeps the samples before.
    const std::uint32_t declared = SevenBitNumber(h.length), perPacket = SamplesPerPacket(h.bits);
    const std::uint64_t packets = PacketsPresent(reader, (std::uint64_t{declared} + perPacket - 1) / perPacket);
    wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(declared, packets * perPacket));
    wave.layout.bytes = packets * kPacketBytes;
    if (wave.length < declared) store.NoteCutShort(declared - wave.length);
    wave.loopStart = SevenBitNumber(h.loopStart);
    wave.loopEnd = SevenBitNumber(h.loopEnd);
    wave.loopFlags = LoopFlags(h.loopType);
    FitLoop(wave);
    return true;
}

bool sds_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(kCopy, "Couldn't open file", wave.sourcePath, errno);
    constexpr std::size_t kPiece = 64;  // packets read at a time
    const unsigned bits = wave.layout.bits;
    const std::uint32_t perPacket = SamplesPerPacket(bits);
    const PcmFormat format{static_cast<std::uint8_t>(bits <= 8 ? 1 : 2), 1, false};
    std::vector<std::uint8_t> in(kPiece * kPacketBytes), out(kPiece * perPacket * format.bytesPerSample);
    std::uint64_t at = wave.layout.offset;
    for (std::uint32_t remaining = wave.length; remaining > 0;) {
        const std::size_t got = file.ReadAt(at, in.data(), in.size());
        std::uint32_t frames = 0;
        for (std::size_t p = 0; p < kPiece && remaining > frames; ++p) {
            const std::uint8_t* packet = &in[p * kPacketBytes];
            if ((p + 1) * kPacketBytes > got || !IsDataPacket(packet)) {
                if (frames > 0 && !sink.Take(format, out.data(), frames)) return false;
                return Fail(kCopy, "Error in file");
            }
            const std::uint32_t k = std::min(perPacket, remaining - frames);
            DecodePacket(packet + kPacketDataAt, bits, k, &out[std::size_t{frames} * format.bytesPerSample]);
            frames += k;
        }
        if (!sink.Take(format, out.data(), frames)) return false;
        remaining -= frames;
        at += kPiece * kPacketBytes;
    }
    return true;
}

bool sds_Write(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kWrite, "SDS");
    // The header's 21-bit fields bound what a dump can hold.
    if (wave->length > kMaxField) return Fail(kWrite, "The wavesample is too long for a Midi Sample Dump");
    const LoopPoints loop = LoopToWrite(store, *wave);
    NoteSampleLosses(store, *wave, true);
    if (!DumpHeader(*wave, loop, 8u * Delivered(*wave).bytesPerSample).WriteTo(*file)) {
        return Fail(kWrite, "File Write Error");
    }
    SdsPacketSink sink(*file);
    return CopyWave(*wave, sink) && sink.Finish();
}

int sdx_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "SDX:", 4) == 0 ? 2 : 0;
}

bool sdx_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    std::string name, comment;
    if (!reader.Tag("SDX:") || !ReadMarkedText(reader, 0x1A, name) || reader.U8() != 1 ||
        !ReadMarkedText(reader, 0, comment)) {
        return Fail(kSdxRead, "Not an SDX v1 file");
    }
    if (comment.empty()) reader.Skip(1);
    const auto h = reader.Get<SdxHeader>();
    if (reader.Truncated()) return Fail(kSdxRead, "Not an SDX v1 file");
    if (h.bits > 16) return Fail(kSdxRead, "Can't handle > 16 bits / sample");
    store.NewBank(nullptr, 0);
    const std::uint32_t number = h.sampleNumber;
    InstrumentRec& instrument = *store.NewInstrument(0, number, name.c_str(), static_cast<int>(name.size()));
    std::snprintf(instrument.note, kNameSize, "%s", comment.c_str());
    WavesampleRec& wave = *store.NewWavesample(number, std_Copy, name.c_str(), static_cast<int>(name.size()));
    wave.layout.bits = h.bits == 0 ? 8 : h.bits;
    wave.layout.isSigned = false;
    if (h.sampleRate != 0) wave.sampleRate = h.sampleRate;
    wave.loopStart = h.loopStart;
    wave.loopEnd = h.loopEnd;
    wave.loopFlags = LoopFlags(h.loopType);
    PlaceSampleData(store, wave, reader.Size(), reader.Offset(), h.length);
    return true;
}
