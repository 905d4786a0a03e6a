// The help page shipped with the program.
#include "shell/help_window.h"

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The page lives in this static library's resources, which the linker keeps only when they
// are named: without this the installed program shows an empty window.
static void LoadHelpResources()
{
    Q_INIT_RESOURCE(shell);
}

void ShowHelpTopic(const char* topic, QWidget* parent)
{
    static const bool loaded = (LoadHelpResources(), true);
    (void)loaded;
    static QPointer<QDialog> window;
    if (window == nullptr) {
        window = new QDialog(parent);
        window->setWindowTitle("KOBA Help");
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName("helpBrowser");
        browser->setOpenExternalLinks(true);
        (new QVBoxLayout(window))->addWidget(browser);
        window->resize(560, 520);
    }
    auto* browser = window->findChild<QTextBrowser*>("helpBrowser");
    browser->setSource(QUrl(QString("qrc:/help/koba.html#") + topic));
    window->show();
    window->raise();
}
