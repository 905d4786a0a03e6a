// SoundFont bank (format version 1) reader.
#pragma once

#include <cstdint>
#include <span>

#include "store/import_format.h"

class File;
class WaveStore;

bool sbk_Read(WaveStore& store, File& file);
int sbk_Detect(std::span<const std::uint8_t, kDetectBytes> head);
