// The frame every copy routine shares.
#include "store/copy_frame.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "store/wave_store.h"
#include "support/last_error.h"

// The most a short file may be padded with before a record counts as corrupt.
constexpr std::uint64_t kMaxZeroFill = 1u << 20;

CopyFrame::CopyFrame(const char* location, const WavesampleRec& wave)
    : location_(location), wave_(wave), file_(File::OpenRead(wave.sourcePath))
{
    if (!file_.IsOpen()) Fail(location_, "Couldn't open input file");
}

bool CopyFrame::CheckStored(std::uint64_t offset, std::uint64_t bytes) const
{
    const std::uint64_t size = file_.Size();
    const std::uint64_t present = offset < size ? size - offset : 0;
    if (bytes > present && bytes - present > kMaxZeroFill) {
        return Fail(location_, "Sample data runs past the end of the file");
    }
    return true;
}

bool CopyFrame::Allocate(std::vector<std::uint8_t>& buffer, std::uint64_t bytes) const
{
    try {
        buffer.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return Fail(location_, "Out of memory");
    } catch (const std::length_error&) {
        return Fail(location_, "Out of memory");
    }
    return true;
}

bool CopyFrame::ReadStored(std::uint64_t bytes, std::vector<std::uint8_t>& data) const
{
    if (!Opened() || !CheckStored(wave_.dataOffset, bytes) || !Allocate(data, bytes)) return false;
    if (!data.empty()) file_.ReadAt(wave_.dataOffset, data.data(), data.size());  // the rest stays zero
    return true;
}

bool CopyFrame::Deliver(WaveStore& store, void* sinkArg, std::vector<std::uint8_t>& data)
{
    file_.Close();
    // A sink reads length × channels × bytesPerSample bytes whatever the routine produced.
    const std::uint64_t needed = std::uint64_t{wave_.length} * wave_.channels * wave_.bytesPerSample;
    try {
        if (data.size() < needed) data.resize(static_cast<std::size_t>(needed));
    } catch (const std::bad_alloc&) {
        return Fail(location_, "Out of memory");
    }
    if (store.sink != nullptr) store.sink(sinkArg, wave_, data.data(), wave_.length);
    return true;
}

std::uint64_t StoredPcmBytes(const WavesampleRec& wave)
{
    return std::uint64_t{wave.length} * wave.channels * ((wave.bits + 7u) / 8u);
}
