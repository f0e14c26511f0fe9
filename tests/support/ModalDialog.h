#pragma once

// Clicks the opener and acts on the dialog of the given type that it shows
// modally, from inside the event loop the opener waits in. Whatever is left
// open afterwards is closed, so that a failing test ends instead of waiting.

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <functional>

template <typename Dialog>
bool clickAndAnswer(QAbstractButton *opener, const std::function<void(Dialog &)> &act)
{
    bool acted = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<Dialog *>(modal)) {
            acted = true;
            act(*dialog);
        }
        if (modal && modal->isVisible())
            modal->close();
    });
    opener->click();
    return acted;
}
