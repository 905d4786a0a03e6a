// How items are shown: the tree of an opened file, the status line of each kind, and the file
// name proposed for saving an item. Shared by the window and the command line.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"

class WaveStore;

enum class ItemImage { Wavesample = 0, Instrument = 1, Folder = 2, Bank = 3 };

struct TreeNode {
    ItemId id;
    std::string text;
    ItemImage image;
    std::vector<TreeNode> children;
};

// The bank at the root; its instruments with the wavesample of each region (once per region);
// wavesamples no instrument owns; and, with more than one instrument, the folder
// "All Wavesamples" (created in the store here) listing every wavesample.
TreeNode BuildItemTree(WaveStore& store);

// The status bar line of an item ("Wave: [0:60:127], 1Ks, 22kHz, 16b", "Inst: …", "Bank: …",
// "Folder: …"); empty for an id that is not stored.
std::string ItemSummary(const WaveStore& store, ItemId id);

// The file name proposed for an item: its name in UTF-8 with '/' and control characters made
// '_'; "unnamed" when that leaves no usable name.
std::string ProposedFileName(const char* name);

// The kind word of Save As: "bank file", "folder", "instrument" or "wavesample".
const char* KindWord(ItemId id);
