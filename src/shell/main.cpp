// The koba program: the converter window, or with "-AP" the audio player for the files named.
#include <QApplication>
#include <QProxyStyle>
#include <new>

#include "audio/soft_synth_device.h"
#include "desktop/registry.h"
#include "formats/format_tables.h"
#include "playback/play.h"
#include "shell/main_window.h"
#include "shell/qt_host.h"
#include "shell/startup.h"
#include "store/wave_store.h"
#include "support/last_error.h"
#include "support/pending_file.h"

namespace {

// Tooltips wait 1.8 seconds before they show.
class KobaStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay) return 1800;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

int Run(QApplication& app)
{
    // The arguments arrive split already; Qt has taken its own options out of them.
    const QStringList args = app.arguments();
    const QString program = QCoreApplication::applicationFilePath();
    ProgramSettings settings;
    QtHost host(settings);
    WaveStore store(host, ImportTable(), ExportTable());
    RegistrySettings registry(host, DesktopPaths::FromEnvironment(), program.toStdString(), store.ImportRows());
    registry.Load(settings);
    if (IsAudioPlayerMode(args)) {
        const int code = RunAudioPlayer(store, host, args);
        registry.Save(settings);
        return code;
    }
    SoftSynthDevice synth;
    host.SetSynth(&synth);
    Play play(store, host);
    if (!play.DevOpen(settings.mtInDev, settings.mtOutDev)) ShowLastError(host);
    DialogRunner dialogs;
    MainWindow window(store, host, dialogs, play);
    window.SetUninstall([&registry] { registry.Uninstall(); });
    window.show();
    OpenCommandLineFiles(window, host, program, args);
    const int code = app.exec();
    play.DevClose();
    registry.Save(settings);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    RemovePendingFileOnSignals();
    QApplication app(argc, argv);
    app.setStyle(new KobaStyle);
    try {
        return Run(app);
    } catch (const std::bad_alloc&) {
        ProgramSettings settings;
        QtHost(settings).Fatal("EXIT: Out of memory");
    }
}
