// kobacli commands: info, convert, extract, formats.
#include "cli/cli.h"

#include <unistd.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <strings.h>

#include "audio/rtaudio_devices.h"
#include "cli/json_items.h"
#include "cli/options.h"
#include "cli/unique_names.h"
#include "cli/raw_flags.h"
#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/item_view.h"
#include "store/wave_store.h"
#include "support/last_error.h"
#include "support/text.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char kVersion[] = "kobacli 2.0";

const char kUsageText[] =
    "usage: kobacli COMMAND [OPTIONS]\n"
    "\n"
    "Reads one sampled-sound, tracker, sampler or instrument file and converts its items.\n"
    "\n"
    "commands:\n"
    "  info FILE [--json]                 show the items of FILE as a tree (or as JSON)\n"
    "  convert FILE OUT [--item ID]       save one item of FILE as OUT; OUT's extension picks the format\n"
    "  extract FILE DIR [--to EXT] [--kind wavesample|instrument]\n"
    "                                     save every item of a kind into DIR, one file each\n"
    "  play FILE [--item ID]              play every wavesample of FILE (or of one item)\n"
    "  formats                            list the formats read and written\n"
    "\n"
    "Raw data (files no format recognises) needs its layout: --raw-type pcm8|pcm16|mulaw|alaw\n"
    "--raw-signed 0|1 --raw-stereo 0|1 --raw-swap 0|1 --raw-rate HZ --raw-offset BYTES --raw-size BYTES\n"
    "(every command takes them).\n"
    "\n"
    "kobacli COMMAND --help shows one command's help; kobacli --version the version.\n"
    "Exit codes: 0 done, 1 failed (the reason on stderr as LOCATION: MESSAGE), 2 usage error.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"info",
     "usage: kobacli info FILE [--json] [--raw-…]\n"
     "Imports FILE and prints its tree: the bank, its instruments with the wavesamples of their key\n"
     "regions, loose wavesamples and, with more than one instrument, \"All Wavesamples\"; each item with\n"
     "its status line. --json prints one JSON object: file, format (index, extension, description)\n"
     "and items, each with its id (\"0x80000001\"), kind and every field of its record.\n"},
    {"convert",
     "usage: kobacli convert FILE OUT [--item ID] [--raw-…]\n"
     "Saves one item of FILE as OUT in the format of OUT's extension (see kobacli formats).\n"
     "ID is a hex id (0x80000001), \"bank\", or an item's name. Without --item: the bank when the\n"
     "format takes banks, else the only instrument or the only wavesample of FILE; with more than one\n"
     "candidate the command lists them and exits 2. An existing OUT is replaced only when the new\n"
     "file is complete.\n"},
    {"extract",
     "usage: kobacli extract FILE DIR [--to EXT] [--kind wavesample|instrument] [--raw-…]\n"
     "Saves every wavesample (or every instrument) of FILE into DIR, which is created when missing.\n"
     "Files are named after the items (characters a file name cannot carry dropped) plus .EXT\n"
     "(default wav); names that clash get \" (2)\", \" (3)\" …\n"},
    {"play",
     "usage: kobacli play FILE [--item ID] [--raw-…]\n"
     "Plays the wavesamples of FILE (or of the item ID: a wavesample, an instrument's regions in\n"
     "order, or \"bank\") on the first audio output, one after the other, each shown as the Audio\n"
     "Player shows it. A line \"r\" plays the current one again; Enter goes on to the next; without\n"
     "input each plays to its end. KOBA_AUDIO_API=pulse|alsa|jack chooses the audio system.\n"},
    {"formats", "usage: kobacli formats\nLists both format tables: index, extension, description; for exports\n"
                "the kinds of item each accepts.\n"},
};

struct Context {
    std::ostream& out;
    std::ostream& err;
    ConsoleHost host;
    WaveStore store;

    Context(std::ostream& o, std::ostream& e) : out(o), err(e), host(e), store(host, ImportTable(), ExportTable()) {}

    int Failure() const
    {
        err << LastError.location << ": " << LastError.message << '\n';
        return kFailed;
    }
    int Usage(const std::string& message) const
    {
        err << "kobacli: " << message << "\n(kobacli --help for usage)\n";
        return kUsage;
    }
};

// Answers the raw-data page from the flags; without flags the page is cancelled.
void PrepareRawAnswers(Context& c, const RawFlags& flags)
{
    if (!flags.Any()) return;
    c.host.SetPolicy(ConsoleHost::Policy::Accept);
    c.host.SetPropertySheet([flags](WaveStore& store, ItemId item, int) {
        if (WavesampleRec* wave = store.FetchWave(item)) {
            DataFormatApply(flags.Apply(DataFormatInitial(*wave)), *wave, store.fileSize);
        }
    });
}

int Import(Context& c, const std::string& path)
{
    if (c.store.Imp(path)) return kDone;
    // Without a stated layout the raw-data page is declined: nothing was cancelled, the file
    // is simply of no format KOBA knows.
    if (LastError.location == "*_Read" && LastError.message == "Cancelled") {
        c.err << "kobacli: " << path << ": the file's format was not recognised\n" << kRawHint << '\n';
        return kFailed;
    }
    return c.Failure();
}

std::string KindName(ItemId id)
{
    if (IsWave(id)) return "wavesample";
    if (IsInstrument(id)) return "instrument";
    return IsBank(id) ? "bank" : "folder";
}

void PrintTree(std::ostream& out, const WaveStore& store, const TreeNode& node, int depth)
{
    out << std::string(2 * static_cast<std::size_t>(depth), ' ') << ToUtf8(node.text.c_str()) << "  ("
        << ItemSummary(store, node.id) << ")\n";
    for (const TreeNode& child : node.children) PrintTree(out, store, child, depth + 1);
}

int Info(Context& c, const ParsedArgs& args)
{
    if (args.positional.size() != 1) return c.Usage("info takes one FILE");
    const std::string& path = args.positional[0];
    if (const int code = Import(c, path)) return code;
    const TreeNode tree = BuildItemTree(c.store);
    if (args.values.count("--json") == 0) {
        PrintTree(c.out, c.store, tree, 0);
        return kDone;
    }
    const ImportFormat* row = GetImportFormat(c.store, c.store.formatIndex);
    const nlohmann::ordered_json document = {
        {"file", ToUtf8(path.c_str())},
        {"format", {{"index", c.store.formatIndex}, {"extension", row->extension}, {"description", row->description}}},
        {"items", ItemsJson(c.store)}};
    c.out << document.dump(2) << '\n';
    return kDone;
}

// Every stored item whose kind the mask accepts.
std::vector<ItemId> ItemsOfKinds(const WaveStore& store, std::uint32_t mask)
{
    std::vector<ItemId> ids;
    store.ForEachItem([&](ItemId id, const void*) {
        if ((id & mask & kKindMask) != 0) ids.push_back(id);
    });
    return ids;
}

const char* NameOf(const WaveStore& store, ItemId id)
{
    const auto* name = store.NameOf(id);
    return name != nullptr ? *name : "";
}

// The item --item names: a hex id, "bank" or a name; NO_ITEM when none, `ambiguous` when several.
ItemId FindItem(WaveStore& store, const std::string& wanted, std::vector<ItemId>& ambiguous)
{
    if (strcasecmp(wanted.c_str(), "bank") == 0) return store.FetchBank() != nullptr ? kBankId : NO_ITEM;
    const bool prefixed = wanted.size() > 2 && (wanted.compare(0, 2, "0x") == 0 || wanted.compare(0, 2, "0X") == 0);
    const std::string digits = prefixed ? wanted.substr(2) : wanted;
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id, 16);
    if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty() && store.Fetch(id) != nullptr) {
        return id;
    }
    std::vector<ItemId> named;
    for (ItemId id : ItemsOfKinds(store, kKindMask)) {
        if (wanted == NameOf(store, id)) named.push_back(id);
    }
    if (named.size() > 1) ambiguous = named;
    return named.size() == 1 ? named[0] : NO_ITEM;
}

int ListCandidates(Context& c, const std::string& why, const std::vector<ItemId>& ids)
{
    c.err << "kobacli: " << why << "; choose one with --item:\n";
    for (ItemId id : ids)
        c.err << "  " << HexId(id) << "  " << KindName(id) << "  " << ToUtf8(NameOf(c.store, id)) << '\n';
    return kUsage;
}

// The item a conversion without --item means: the bank, or the only item of an accepted kind.
int ChooseItem(Context& c, std::uint32_t mask, ItemId& chosen)
{
    if ((mask & kBankId) != 0 && c.store.FetchBank() != nullptr) {
        chosen = kBankId;
        return kDone;
    }
    for (ItemId kind : {kInstrumentKind, kWaveKind}) {
        if ((mask & kind) == 0) continue;
        const std::vector<ItemId> ids = ItemsOfKinds(c.store, kind);
        if (ids.size() == 1) {
            chosen = ids[0];
            return kDone;
        }
    }
    const std::vector<ItemId> candidates = ItemsOfKinds(c.store, mask);
    if (candidates.empty()) return c.Usage("the file has no item this format can save");
    return ListCandidates(c, "the file has more than one item this format can save", candidates);
}

// The file format an extension names; every command words an unknown one alike.
const ExportFormat* FileFormat(Context& c, const std::string& extension, int& code)
{
    const ExportFormat* row = GetExportFormat(c.store, FindExportFormat(c.store, "." + extension));
    if (row != nullptr && !row->noFile) return row;
    code = c.Usage("no file format has the extension ." + extension + " (kobacli formats lists them)");
    return nullptr;
}

// The item --item names, or NO_ITEM without the option.
int NamedItem(Context& c, const ParsedArgs& args, ItemId& item)
{
    const auto it = args.values.find("--item");
    if (it == args.values.end()) return kDone;
    std::vector<ItemId> ambiguous;
    item = FindItem(c.store, it->second, ambiguous);
    if (!ambiguous.empty()) return ListCandidates(c, "more than one item is named " + it->second, ambiguous);
    if (item == NO_ITEM) return c.Usage("no item " + it->second + " in " + args.positional[0]);
    return kDone;
}

int Convert(Context& c, const ParsedArgs& args)
{
    if (args.positional.size() != 2) return c.Usage("convert takes FILE and OUT");
    const std::string& out = args.positional[1];
    int code = kDone;
    const ExportFormat* row = FileFormat(c, ExtensionOf(out), code);
    if (row == nullptr) return code;
    if ((code = Import(c, args.positional[0])) != kDone) return code;
    ItemId item = NO_ITEM;
    if ((code = NamedItem(c, args, item)) != kDone) return code;
    if (item == NO_ITEM && (code = ChooseItem(c, row->kindMask, item)) != kDone) return code;
    if (!c.store.Exp(out, item)) return c.Failure();
    c.out << "Item saved: " << out << '\n';
    return kDone;
}

// Shows "n/total" on a terminal once the work has taken more than a second.
class Progress {
public:
    Progress(std::ostream& err, std::size_t total) : err_(err), total_(total), shown_(::isatty(STDERR_FILENO) != 0) {}
    ~Progress()
    {
        if (drawn_) err_ << '\n';
    }
    void Step(std::size_t done, const std::string& name)
    {
        if (!shown_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
        err_ << "\r\033[K" << done << '/' << total_ << ' ' << name << std::flush;
        drawn_ = true;
    }

private:
    std::ostream& err_;
    std::size_t total_;
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int Extract(Context& c, const ParsedArgs& args)
{
    if (args.positional.size() != 2) return c.Usage("extract takes FILE and DIR");
    std::string extension = args.values.count("--to") != 0 ? args.values.at("--to") : "wav";
    if (extension.starts_with('.')) extension.erase(0, 1);
    const std::string kind = args.values.count("--kind") != 0 ? args.values.at("--kind") : "wavesample";
    if (kind != "wavesample" && kind != "instrument") return c.Usage("--kind takes wavesample or instrument");
    const ItemId kindBit = kind == "wavesample" ? kWaveKind : kInstrumentKind;
    int code = kDone;
    const ExportFormat* row = FileFormat(c, extension, code);
    if (row == nullptr) return code;
    if ((row->kindMask & kindBit) == 0) return c.Usage(extension + " files cannot hold a " + kind);
    if ((code = Import(c, args.positional[0])) != kDone) return code;

    const std::filesystem::path folder(args.positional[1]);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::vector<ItemId> items = ItemsOfKinds(c.store, kindBit);
    std::set<std::string> used;
    Progress progress(c.err, items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string name = UniqueFileName(ProposedFileName(NameOf(c.store, items[i])), extension, used);
        progress.Step(i + 1, name);
        const std::string path = (folder / name).string();
        // The first failure ends the run (a full disk fails every later file too); the files
        // written so far stay and were listed.
        if (!c.store.Exp(path, items[i])) {
            c.Failure();
            c.err << "kobacli: extract stopped after " << i << " of " << items.size() << " files\n";
            return kFailed;
        }
        c.out << path << '\n';
    }
    return kDone;
}

int Play(Context& c, const ParsedArgs& args, std::istream& keys)
{
    if (args.positional.size() != 1) return c.Usage("play takes one FILE");
    int code = Import(c, args.positional[0]);
    ItemId item = NO_ITEM;
    if (code != kDone || (code = NamedItem(c, args, item)) != kDone) return code;
    RtAudioDevices devices;
    c.host.SetPlayer(&devices, keys, c.out);
    return c.store.Exp(".'DAC'", item == NO_ITEM ? kBankId : item) ? kDone : c.Failure();
}

std::string KindList(std::uint32_t mask)
{
    std::string kinds;
    for (const auto& [bit, word] : {std::pair{kWaveKind, "wavesample"}, std::pair{kInstrumentKind, "instrument"},
                                    std::pair{kBankId, "bank"}, std::pair{kFolderKind, "folder"}}) {
        if ((mask & bit) != 0) kinds += (kinds.empty() ? "" : ",") + std::string(word);
    }
    return kinds;
}

int Formats(Context& c)
{
    c.out << "import formats:\n";
    for (std::size_t i = 0; i < c.store.ImportRows().size(); ++i) {
        const ImportFormat& row = c.store.ImportRows()[i];
        c.out << "  " << i << '\t' << row.extension << '\t' << row.description << '\n';
    }
    c.out << "export formats:\n";
    for (std::size_t i = 0; i < c.store.ExportRows().size(); ++i) {
        const ExportFormat& row = c.store.ExportRows()[i];
        c.out << "  " << i << '\t' << row.extension << '\t' << row.description << '\t' << KindList(row.kindMask)
              << '\n';
    }
    return kDone;
}

}  // namespace

int RunKobaCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kUsageText;
        return args.empty() ? kUsage : kDone;
    }
    if (args[0] == "--version") {
        out << kVersion << '\n';
        return kDone;
    }
    Context c(out, err);
    const std::string& command = args[0];
    const auto help = kCommandHelp.find(command);
    if (help == kCommandHelp.end()) return c.Usage("unknown command " + command);
    std::set<std::string> valued = kRawOptions;
    valued.insert({"--item", "--to", "--kind"});
    std::string error;
    const std::optional<ParsedArgs> parsed =
        ParseArgs(std::vector<std::string>(args.begin() + 1, args.end()), {"--json", "--help"}, valued, error);
    if (!parsed) return c.Usage(error);
    if (parsed->values.count("--help") != 0) {
        out << help->second;
        return kDone;
    }
    RawFlags raw;
    if (!ReadRawFlags(*parsed, raw, error)) return c.Usage(error);
    PrepareRawAnswers(c, raw);
    if (command == "info") return Info(c, *parsed);
    if (command == "convert") return Convert(c, *parsed);
    if (command == "extract") return Extract(c, *parsed);
    if (command == "play") return Play(c, *parsed, in);
    return Formats(c);
}
