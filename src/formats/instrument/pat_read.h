// GF1 patch reader: every layer an instrument, every wave a wavesample.
#pragma once

#include <cstdint>
#include <span>

#include "store/import_format.h"

class File;
class WaveStore;

bool pat_Read(WaveStore& store, File& file);
int pat_Detect(std::span<const std::uint8_t, kDetectBytes> head);
