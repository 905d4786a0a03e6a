// The item store: creation with the naming rules, deletion, enumeration and lookup.
#include "store/wave_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "support/memory.h"
#include "support/text.h"

std::uint32_t WaveBytes(const WavesampleRec& wave)
{
    const std::uint64_t bytes = std::uint64_t{wave.length} * Delivered(wave).FrameBytes();
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX));
}

static std::int32_t Key(ItemId id)
{
    return static_cast<std::int32_t>(id);
}

// Copies at most 80 characters of `text` into a record's name field, terminated.
static void CopyName(char (&field)[kNameSize], std::string_view text)
{
    const std::size_t n = FittingLength(text, kNameSize - 1);
    if (n > 0) std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// Names compare without regard to (ASCII) case.
static std::string Folded(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return folded;
}

// The trimmed name text, or the numbered unnamed text when there is none.
static std::string TrimmedName(const char* text, int length, std::uint32_t& unnamedCounter,
                               const char* unnamedFormat)
{
    std::string name;
    if (text != nullptr && length > 0) {
        const std::string_view whole(text, strnlen(text, static_cast<std::size_t>(length)));
        std::size_t end = FittingLength(whole, kNameSize - 1);
        while (end > 1 && whole[end - 1] == ' ') --end;
        name.assign(whole.substr(0, end));
        std::size_t start = 0;
        while (start + 1 < name.size() && name[start] == ' ') ++start;
        name.erase(0, start);
    }
    if (name.empty()) {
        char unnamed[kNameSize];
        std::snprintf(unnamed, sizeof unnamed, unnamedFormat, unnamedCounter++);
        name = unnamed;
    }
    return name;
}

WaveStore::WaveStore(Host& host, std::span<const ImportFormat> importTable,
                     std::span<const ExportFormat> exportTable)
    : host(host), list(C_ALLOC()), importTable_(importTable), exportTable_(exportTable)
{
    cursor = list;
}

WaveStore::~WaveStore()
{
    C_FREE(list);
}

void WaveStore::ClearStore()
{
    C_CLEAR(list);
    links_.clear();
    givenNames_.clear();
    prefixesTried_.clear();
    sourceFiles_.clear();
    cursor = list;
    unnamedWaves = 0;
    unnamedInsts = 0;
}

// Allocates a zeroed record under `id`, replacing (and freeing) one stored there.
void* WaveStore::StoreRecord(std::size_t size, ItemId id)
{
    void* data = M_ALLOC(size);
    if (data == nullptr) throw std::bad_alloc();
    std::memset(data, 0, size);
    const auto at = links_.lower_bound(Key(id));
    if (at != links_.end() && at->first == Key(id)) {
        M_FREE(at->second->data);
        at->second->data = data;
        return data;
    }
    ChainLink* before = at == links_.begin() ? list : std::prev(at)->second;
    try {
        links_.emplace_hint(at, Key(id), C_LINKAFTER(before, Key(id), data));
    } catch (...) {
        M_FREE(data);
        throw;
    }
    return data;
}

// The key of a given name: its kind and its case-folded text.
static std::string NameKey(ItemId kind, std::string_view name)
{
    return (kind == kWaveKind ? "w" : "i") + Folded(name);
}

bool WaveStore::NameInUse(ItemId kind, const std::string& name) const
{
    const auto it = givenNames_.find(NameKey(kind, name));
    if (it == givenNames_.end()) return false;
    const auto* holder = NameOf(it->second);  // gone, or renamed since, it no longer counts
    return holder != nullptr && Folded(*holder) == Folded(name);
}

// Puts '_' in front of `name` until no other item of the same kind has it (ignoring case).
// The search for a name resumes at the prefix where the last one for it ended, so a thousand
// items of one name cost no more than a thousand of different names.
std::string WaveStore::UniqueName(ItemId kind, const std::string& name)
{
    if (!NameInUse(kind, name)) return name;
    std::size_t& prefix = prefixesTried_[NameKey(kind, name)];
    std::string candidate;
    do {
        ++prefix;
        candidate = std::string(std::min<std::size_t>(prefix, kNameSize - 1), '_') + name;
        candidate.resize(FittingLength(candidate, kNameSize - 1));
    } while (prefix < kNameSize - 1 && NameInUse(kind, candidate));  // 80 underscores: no prefix can differ
    return candidate;
}

// Remembers who holds a name given by the naming rules; a name that could not be made unique
// stays with its first holder.
void WaveStore::GiveName(ItemId id, char (&field)[kNameSize], const std::string& name)
{
    CopyName(field, name);
    const ItemId kind = id & kKindMask;
    if (!NameInUse(kind, name)) givenNames_[NameKey(kind, name)] = id;
}

WavesampleRec* WaveStore::NewWavesample(std::uint32_t index, CopyRoutine copy, const char* name,
                                        int nameLength)
{
    const ItemId id = (index & kIndexMask) | kWaveKind;
    auto* wave = static_cast<WavesampleRec*>(StoreRecord(sizeof(WavesampleRec), id));
    GiveName(id, wave->name, UniqueName(kWaveKind, TrimmedName(name, nameLength, unnamedWaves, "%u : unnamed wave")));
    wave->copyRoutine = copy;
    wave->layout = SampleLayout{};
    wave->sampleRate = 22050;
    wave->rootKey = 60;
    wave->highKey = 127;
    wave->pan = 63;
    wave->volume = 127;
    wave->scaleKey = 60;
    wave->scaleFactor = 1024;
    wave->owner = NO_ITEM;
    return wave;
}

InstrumentRec* WaveStore::NewInstrument(std::uint32_t index, std::uint32_t defaultWave,
                                        const char* name, int nameLength)
{
    const ItemId id = (index & kIndexMask) | kInstrumentKind;
    auto* instrument = static_cast<InstrumentRec*>(StoreRecord(sizeof(InstrumentRec), id));
    GiveName(id, instrument->name,
             UniqueName(kInstrumentKind, TrimmedName(name, nameLength, unnamedInsts, "%u : unnamed inst")));
    instrument->program = 255;
    instrument->layer.present = 1;
    instrument->layer.volume = 127;
    std::fill(std::begin(instrument->layer.keyMap), std::end(instrument->layer.keyMap),
              defaultWave | kWaveKind);
    return instrument;
}

BankRec* WaveStore::NewBank(const char* name, int nameLength)
{
    auto* bank = static_cast<BankRec*>(StoreRecord(sizeof(BankRec), kBankId));
    std::string_view text;
    if (name != nullptr) {
        text = std::string_view(name, strnlen(name, static_cast<std::size_t>(std::max(nameLength, 0))));
    } else if (const ImportFormat* row = GetImportFormat(*this, formatIndex)) {
        text = row->description;
    }
    CopyName(bank->name, text);
    return bank;
}

FolderRec* WaveStore::NewFolder(std::uint32_t index, const char* name)
{
    auto* folder = static_cast<FolderRec*>(StoreRecord(sizeof(FolderRec), (index & kIndexMask) | kFolderKind));
    CopyName(folder->name, name != nullptr ? name : "");
    return folder;
}

void WaveStore::DeleteItem(ItemId id)
{
    const auto at = links_.find(Key(id));
    if (at == links_.end()) return;
    ChainLink* before = at == links_.begin() ? list : std::prev(at)->second;
    if (cursor == at->second) cursor = before;
    links_.erase(at);
    C_UNLINKAFTER(before);
}

bool WaveStore::NextItem(std::uint32_t position, ItemId& id, void*& record)
{
    if (position == 0) cursor = list;
    cursor = C_NEXT(cursor);
    if (cursor == nullptr) return false;
    id = static_cast<ItemId>(cursor->key);
    record = cursor->data;
    return true;
}

void* WaveStore::Fetch(ItemId id) const
{
    const auto at = links_.find(Key(id));
    return at != links_.end() ? at->second->data : nullptr;
}

char (*WaveStore::NameOf(ItemId id) const)[kNameSize]
{
    return static_cast<char(*)[kNameSize]>(Fetch(id));
}

WavesampleRec* WaveStore::FetchWave(ItemId id) const
{
    return IsWave(id) ? static_cast<WavesampleRec*>(Fetch(id)) : nullptr;
}

InstrumentRec* WaveStore::FetchInstrument(ItemId id) const
{
    return IsInstrument(id) ? static_cast<InstrumentRec*>(Fetch(id)) : nullptr;
}

BankRec* WaveStore::FetchBank() const
{
    return static_cast<BankRec*>(Fetch(kBankId));
}

FolderRec* WaveStore::FetchFolder(ItemId id) const
{
    return IsFolder(id) ? static_cast<FolderRec*>(Fetch(id)) : nullptr;
}
