// The item store: creation with the naming rules, deletion, enumeration and lookup.
#include "store/wave_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "host/host.h"
#include "store/creator_text.h"

std::uint32_t WaveBytes(const WavesampleRec& wave)
{
    const std::uint64_t bytes = std::uint64_t{wave.length} * wave.bytesPerSample * wave.channels;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX));
}

static std::int32_t Key(ItemId id)
{
    return static_cast<std::int32_t>(id);
}

// Copies at most 80 characters of `text` into a record's name field, terminated.
static void CopyName(char (&field)[kNameSize], std::string_view text)
{
    const std::size_t n = std::min(text.size(), kNameSize - 1);
    if (n > 0) std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

static bool SameNameIgnoringCase(std::string_view a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The trimmed name text, or the numbered unnamed text when there is none.
static std::string TrimmedName(const char* text, int length, std::uint32_t& unnamedCounter,
                               const char* unnamedFormat)
{
    std::string name;
    if (text != nullptr && length > 0) {
        std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(length), kNameSize - 1);
        while (end > 1 && (text[end - 1] == ' ' || text[end - 1] == '\0')) --end;
        name.assign(text, strnlen(text, end));
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

// Puts '_' in front of `name` until no other item of the same kind has it (ignoring case).
static std::string UniqueName(const ChainLink* list, ItemId kind, const void* self, std::string name)
{
    bool clash = true;
    while (clash) {
        clash = false;
        for (const ChainLink* link = C_NEXT(list); link != nullptr; link = C_NEXT(link)) {
            const ItemId id = static_cast<ItemId>(link->key);
            if ((id & kKindMask) != kind || link->data == self) continue;
            if (!SameNameIgnoringCase(name, *static_cast<const char(*)[kNameSize]>(link->data))) continue;
            std::string longer = ("_" + name).substr(0, kNameSize - 1);
            if (longer == name) return name;  // 80 underscores: no prefix can make it differ
            name = std::move(longer);
            clash = true;
            break;
        }
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
    cursor = list;
    unnamedWaves = 0;
    unnamedInsts = 0;
}

WavesampleRec* WaveStore::NewWavesample(std::uint32_t index, CopyRoutine copy, const char* name,
                                        int nameLength)
{
    const ItemId id = (index & kIndexMask) | kWaveKind;
    auto* wave = static_cast<WavesampleRec*>(C_ASTORE(sizeof(WavesampleRec), Key(id), list));
    std::memset(wave, 0, sizeof *wave);
    const std::string text = TrimmedName(name, nameLength, unnamedWaves, "%u : unnamed wave");
    CopyName(wave->name, UniqueName(list, kWaveKind, wave, text));
    wave->copyRoutine = copy;
    wave->channels = 1;
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
    auto* instrument = static_cast<InstrumentRec*>(C_ASTORE(sizeof(InstrumentRec), Key(id), list));
    std::memset(instrument, 0, sizeof *instrument);
    const std::string text = TrimmedName(name, nameLength, unnamedInsts, "%u : unnamed inst");
    CopyName(instrument->name, UniqueName(list, kInstrumentKind, instrument, text));
    instrument->program = 255;
    instrument->layer.present = 1;
    instrument->layer.volume = 127;
    std::fill(std::begin(instrument->layer.keyMap), std::end(instrument->layer.keyMap),
              defaultWave | kWaveKind);
    return instrument;
}

BankRec* WaveStore::NewBank(const char* name, int nameLength)
{
    auto* bank = static_cast<BankRec*>(C_ASTORE(sizeof(BankRec), Key(kBankId), list));
    std::memset(bank, 0, sizeof *bank);
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
    const ItemId id = (index & kIndexMask) | kFolderKind;
    auto* folder = static_cast<FolderRec*>(C_ASTORE(sizeof(FolderRec), Key(id), list));
    std::memset(folder, 0, sizeof *folder);
    CopyName(folder->name, name != nullptr ? name : "");
    return folder;
}

void WaveStore::DeleteItem(ItemId id)
{
    const bool atCursor = cursor != nullptr && cursor != list && cursor->key == Key(id);
    ChainLink* before = C_UNLINK(Key(id), list);
    if (atCursor && before != nullptr) cursor = before;
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
    return C_FETCH(Key(id), list);
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
