// The export driver: picks the row by the target's extension and runs its writer into a
// temporary file that replaces the target only when everything was written.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "host/host.h"
#include "store/export_format.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"
#include "support/pending_file.h"

int FindExportFormat(const WaveStore& store, const std::string& name)
{
    const std::string extension = ExtensionOf(name);
    const std::span<const ExportFormat> rows = store.ExportRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (strcasecmp(rows[i].extension, extension.c_str()) == 0) return static_cast<int>(i);
    }
    return -1;
}

const ExportFormat* GetExportFormat(const WaveStore& store, int index)
{
    const std::span<const ExportFormat> rows = store.ExportRows();
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return nullptr;
    return &rows[static_cast<std::size_t>(index)];
}

bool RefuseKind(const char* location, const char* formatName)
{
    return Fail(location, std::string("Export type not supported by .") + formatName);
}

LoopPoints LoopToWrite(WaveStore& store, const WavesampleRec& wave)
{
    const std::uint32_t end = std::min(wave.loopEnd, wave.length);
    const std::uint32_t start = std::min(wave.loopStart, end);
    if (Loops(wave) && (start != wave.loopStart || end != wave.loopEnd))
        store.NoteLoss("Loops moved inside their samples");
    return {start, end};
}

void NoteSampleLosses(WaveStore& store, const WavesampleRec& wave, bool mono)
{
    const SampleLayout& layout = wave.layout;
    if (mono && layout.channels > 1) store.NoteLoss("Stereo mixed to mono");
    if ((layout.coding == SampleCoding::Pcm && layout.bits > 16) || layout.coding == SampleCoding::Float) {
        store.NoteLoss("Samples narrowed to 16 bits");
    }
}

// True when some wavesample of the store reads its data from `target`.
static bool IsSourceOfTheStore(const WaveStore& store, const std::string& target)
{
    const FileIdentity identity = IdentityOf(target);
    if (!identity.exists) return false;
    const std::vector<std::string>& sources = store.SourceFiles();
    return std::any_of(sources.begin(), sources.end(), [&](const std::string& s) { return IdentityOf(s) == identity; });
}

static std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void WaveStore::NoteLoss(std::string_view what)
{
    if (std::find(losses_.begin(), losses_.end(), what) == losses_.end()) losses_.emplace_back(what);
}

std::string WaveStore::StageFile(const std::string& folder, const std::string& name)
{
    const std::string target = FolderOf(exportTarget_) + "/" + folder + "/" + name;
    if (IsSourceOfTheStore(*this, target)) {
        Fail("WaveStore::Exp", "Output file is the source file");
        return {};
    }
    if (stagingFolder_.empty()) {
        std::string pattern = FolderOf(exportTarget_) + "/.koba-export-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            FailOnFile("WaveStore::Exp", "Couldn't create output file", target, errno);
            return {};
        }
        stagingFolder_ = pattern;
    }
    staged_.push_back({folder, name});
    return stagingFolder_ + "/" + name;
}

// Moves the staged files into their folders beside the target, creating those; false with
// errno.
bool WaveStore::MoveStagedFiles()
{
    for (const StagedFile& file : staged_) {
        const std::string folder = FolderOf(exportTarget_) + "/" + file.folder;
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
        const std::string from = stagingFolder_ + "/" + file.name;
        if (std::rename(from.c_str(), (folder + "/" + file.name).c_str()) != 0) return false;
    }
    return true;
}

void WaveStore::RemoveStagingFolder()
{
    for (const StagedFile& file : staged_) ::unlink((stagingFolder_ + "/" + file.name).c_str());
    if (!stagingFolder_.empty()) ::rmdir(stagingFolder_.c_str());
    stagingFolder_.clear();
    staged_.clear();
}

bool WaveStore::Exp(const std::string& path, ItemId item)
{
    losses_.clear();
    exportTarget_ = path;
    const bool exported = ExportFile(path, item);
    RemoveStagingFolder();
    exportTarget_.clear();
    if (!exported) return false;
    if (!losses_.empty()) host.ReportLosses(losses_);
    return true;
}

bool WaveStore::ExportFile(const std::string& path, ItemId item)
{
    const ExportFormat* row = GetExportFormat(*this, FindExportFormat(*this, path));
    if (row == nullptr) return Fail("WaveStore::Exp", "Not a supported export extension type");
    if (row->noFile) return row->write(*this, nullptr, item);
    if (IsSourceOfTheStore(*this, path)) return Fail("WaveStore::Exp", "Output file is the source file");

    std::string temporary;
    File file = File::CreateUnique(FolderOf(path), ".koba-export-", temporary);
    if (!file.IsOpen()) return FailOnFile("WaveStore::Exp", "Couldn't create output file", path, errno);
    SetPendingFile(temporary.c_str());  // an interrupted run removes it
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing) ::fchmod(file.Fd(), existing.st_mode & 07777);

    const bool written = row->write(*this, &file, item);
    int error = file.WriteError();
    // An old file is given up only for one that is on the disk; a new one need not wait.
    if (written && error == 0 && replacing && ::fsync(file.Fd()) != 0) error = errno;
    file.Close();
    const bool complete = written && error == 0;
    // The files beside the target go first: a target names them, so it must not come alone.
    if (complete && !MoveStagedFiles()) error = errno;
    if (complete && error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (!complete || error != 0) ::unlink(temporary.c_str());
    ClearPendingFile();
    if (complete && error == 0) return true;
    if (!written && error == 0) return false;  // the writer's own reason stands
    // A failed write is told once: the writer's (or the driver's) text, the file, the reason.
    if (!written) return FailOnFile(LastError.location, LastError.message, path, error);
    return FailOnFile("WaveStore::Exp", complete ? "Couldn't create output file" : "File Write Error", path, error);
}
