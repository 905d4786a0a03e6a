// What the command line asks of the program at start-up.
#pragma once

#include <QStringList>

class Host;
class MainWindow;
class WaveStore;

// "-AP" (any case) as the first argument: play the files named after it instead of opening the
// window.
bool IsAudioPlayerMode(const QStringList& args);
// Plays every file named after "-AP", one after the other; a file that cannot be read shows its
// error and the next one follows. Returns the exit code.
int RunAudioPlayer(WaveStore& store, Host& host, const QStringList& args);
// Opens the first file in this window; each further file starts another instance of `program`.
void OpenCommandLineFiles(MainWindow& window, Host& host, const QString& program, const QStringList& args);
