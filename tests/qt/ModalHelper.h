// Test helper: answers the next modal dialog from a timer, as a user would click it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace zvtest {

// Polls for the active modal widget and hands it to `act` once; gives up after about 5 s.
inline void WhenModalShows(std::function<void(QWidget*)> act, int triesLeft = 500)
{
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
        } else if (triesLeft > 0) {
            WhenModalShows(std::move(act), triesLeft - 1);
        }
    });
}

// Waits for a modal dialog of class T (other modal widgets are passed over) and hands it to act.
template <typename T>
void WhenModalOfClassShows(std::function<void(T*)> act, int triesLeft = 500)
{
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(w);
        } else if (triesLeft > 0) {
            WhenModalOfClassShows<T>(std::move(act), triesLeft - 1);
        }
    });
}

// Clicks the message box button with this text (e.g. "&Yes", "OK"); records what the box said.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

inline void ClickMessageBoxButton(QMessageBox::StandardButton which, SeenBox* seen = nullptr)
{
    WhenModalShows([which, seen](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return;
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
        }
        if (QAbstractButton* b = box->button(which)) b->click();
    });
}

}  // namespace zvtest
