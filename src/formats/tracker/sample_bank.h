// Sample-bank modules: lists of fixed-size sample records, each giving its data's size and
// loop in bytes. The readers turn a record into these facts; the wavesample is made here.
#pragma once

#include <cstdint>

#include "store/records.h"
#include "support/byte_reader.h"

class WaveStore;

struct BankSample {
    std::uint64_t bytes = 0;                   // the stored data
    std::uint32_t loopStart = 0, loopEnd = 0;  // bytes, like the size
    std::uint8_t loopFlags = 0;                // as the record's own loop rule says
    bool wide = false;                         // 16-bit data: byte counts halve into frames
    bool isSigned = true;
    SampleCoding coding = SampleCoding::Pcm;
};

// Wavesample `index` of a record whose data lies at `offset` of the file, fitted to what the
// file holds.
WavesampleRec& NewBankWave(WaveStore& store, const ByteReader& file, std::uint32_t index, CopyRoutine copy,
                           const char* name, int nameLength, const BankSample& sample, std::uint64_t offset);

// Hands `visit` each of at most `count` records of type R in sequence from the reader's
// position, with its place in the list, while a whole record is left in the file.
template <class R, class Visit>
void ForEachRecord(ByteReader& reader, std::uint64_t count, Visit visit)
{
    for (std::uint32_t i = 0; i < count && reader.Left() >= sizeof(R); ++i) visit(i, reader.Get<R>());
}
