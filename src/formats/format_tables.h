// The import and export format tables, in row order. The front ends hand them to the store.
#pragma once

#include <span>

#include "store/export_format.h"
#include "store/import_format.h"

// The 60 import rows; detection lets the later row win a tie.
std::span<const ImportFormat> ImportTable();
// The 16 export rows.
std::span<const ExportFormat> ExportTable();
