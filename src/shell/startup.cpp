// What the command line asks of the program at start-up.
#include "shell/startup.h"

#include "shell/main_window.h"
#include "shell/qt_host.h"
#include "store/wave_store.h"

bool IsAudioPlayerMode(const QStringList& args)
{
    return args.size() > 1 && args[1].compare("-AP", Qt::CaseInsensitive) == 0;
}

int RunAudioPlayer(WaveStore& store, Host& host, const QStringList& args)
{
    if (args.size() == 2) host.Warn("KOBA Audio Player\n\nSYNTAX: KOBA -AP FileName [MoreFileNames]");
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (!store.Imp(args[i].toStdString())) {
            ShowLastError(host);
            continue;
        }
        if (!store.Exp(".'DAC'", kBankId)) ShowLastError(host);
    }
    return 0;
}

void OpenCommandLineFiles(MainWindow& window, Host& host, const QString& program, const QStringList& args)
{
    if (args.size() > 1) window.ShowOpenedFile(args[1]);
    for (qsizetype i = 2; i < args.size(); ++i) host.StartProgram(program.toStdString(), {args[i].toStdString()});
}
