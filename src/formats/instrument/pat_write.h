// GF1 patch writer: one wavesample or one instrument as a single-layer v1.10 patch.
#pragma once

#include "store/records.h"

class File;
class WaveStore;

bool pat_Write(WaveStore& store, File* file, ItemId item);
