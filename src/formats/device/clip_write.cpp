// The 'CLIP' row: a wavesample as a complete WAVE file on the desktop clipboard. The file is
// written under its fixed name in a folder only this user can enter, and removed on every path.
#include <cstdio>
#include <vector>

#include "formats/formats.h"
#include "host/host.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kLocation[] = "clip_Write";

// Removes the file when the copy is done, whatever its outcome.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { std::remove(path.c_str()); }
};

bool WriteWave(WaveStore& store, const std::string& path, ItemId item)
{
    File file = File::Create(path);
    if (!file.IsOpen()) return FailOnFile(kLocation, "Couldn't create output file", path, errno);
    return wav_Write(store, &file, item) && !file.WriteFailed();
}

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    const File file = File::OpenRead(path);
    if (!file.IsOpen()) return Fail(kLocation, "Couldn't open input file");
    bytes.resize(file.Size());
    return file.ReadAt(0, bytes.data(), bytes.size()) == bytes.size() || Fail(kLocation, "Couldn't open input file");
}

}  // namespace

bool clip_Write(WaveStore& store, File*, ItemId item)
{
    if (!IsWave(item)) return Fail(kLocation, "You can only copy Wavesamples to clipboard!");
    const std::string folder = store.host.PrivateFolder();
    if (folder.empty()) return Fail(kLocation, "Couldn't create a private temporary folder");
    const RemovedAtEnd file{folder + "/KOBACLIP.WAV"};
    std::vector<std::uint8_t> wave;
    if (!WriteWave(store, file.path, item) || !ReadWhole(file.path, wave)) return false;
    return store.host.SetClipboardWave(wave) || Fail(kLocation, "Couldn't set clipboard data");
}
