// The one file being written that an interrupted run must not leave behind (an export's
// temporary file), and the signal handlers that remove it.
#pragma once

// Names the file to remove should the run be interrupted now; an empty path or
// ClearPendingFile() names none.
void SetPendingFile(const char* path);
void ClearPendingFile();

// On SIGINT, SIGTERM or SIGHUP: removes the pending file, then ends the process as the signal
// would have. A file grown past the size limit (SIGXFSZ) fails its write instead of ending
// the process.
void RemovePendingFileOnSignals();
