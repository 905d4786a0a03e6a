// The frame every copy routine shares: open the source, check the stored size against the
// file, allocate, read with zero fill, deliver to the store's sink.
#pragma once

#include <cstdint>
#include <vector>

#include "store/records.h"
#include "support/file.h"

class CopyFrame {
public:
    // Opens the wavesample's source; false with LastError under `location`.
    CopyFrame(const char* location, const WavesampleRec& wave);
    [[nodiscard]] bool Opened() const { return file_.IsOpen(); }

    // Checks that `bytes` stored bytes at `offset` lie (nearly) within the file: a short file
    // may miss a little at its end, delivered as zeros, but a corrupt length must not turn
    // into a huge allocation. False with LastError.
    [[nodiscard]] bool CheckStored(std::uint64_t offset, std::uint64_t bytes) const;
    // Sizes a buffer; false with "Out of memory".
    [[nodiscard]] bool Allocate(std::vector<std::uint8_t>& buffer, std::uint64_t bytes) const;
    // The stored bytes at the wavesample's data offset: checked against the file, allocated
    // and read (zero-filled past the end). False with LastError.
    [[nodiscard]] bool ReadStored(std::uint64_t bytes, std::vector<std::uint8_t>& data) const;
    const File& Source() const { return file_; }

    // Closes the source and hands all `length` frames to the store's sink.
    bool Deliver(WaveStore& store, void* sinkArg, std::vector<std::uint8_t>& data);

private:
    const char* location_;
    const WavesampleRec& wave_;
    File file_;
};

// Stored bytes of `frames` frames of plain PCM (`bits` + 7) / 8 bytes wide.
std::uint64_t StoredPcmBytes(const WavesampleRec& wave);
