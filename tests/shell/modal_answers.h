// Modal windows (a box, a property sheet) answered as a user would, for the window's tests.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <deque>
#include <string>
#include <vector>

// Records each modal window as "title|last line of its text" or "title|current page", then
// presses the next button named in `presses` ("OK" when none is left).
struct ModalAnswers {
    ModalAnswers()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) return;
            const auto* box = qobject_cast<QMessageBox*>(modal);
            const auto* tabs = modal->findChild<QTabWidget*>();
            const QString text = box != nullptr ? box->text().section('\n', -1) : tabs->tabText(tabs->currentIndex());
            shown.push_back((modal->windowTitle() + "|" + text).toStdString());
            const QString press = presses.empty() ? "OK" : presses.front();
            if (!presses.empty()) presses.pop_front();
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
                if (button->text().remove('&') == press) return button->click();
            }
            modal->close();  // no such button: what was shown tells
        });
        timer.start(1);
    }
    std::deque<QString> presses;
    std::vector<std::string> shown;
    QTimer timer;
};
