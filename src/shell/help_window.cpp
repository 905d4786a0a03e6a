// The help page shipped with the program.
#include "shell/help_window.h"

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

void ShowHelpTopic(const char* topic, QWidget* parent)
{
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
