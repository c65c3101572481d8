// Test helper: answers the next modal dialog as a user would click it.
//
//     auto answered = zvtest::WhenModalOfClassShows<TFindForm>([](TFindForm* f) { f->OKBtn->click(); });
//     preview.Find();                       // runs the dialog's event loop; the watcher answers it
//
// The watcher polls for the active modal widget while it lives and hands the first one of the
// wanted class to `act`, once. When it goes out of scope without having seen its dialog, the test
// fails: code that never opened the dialog cannot pass by skipping the assertions on it. Its
// destruction also stops the polling, so a watcher never answers a later test's dialog.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <source_location>

namespace zvtest {

class ModalWatch {
public:
    ModalWatch(std::function<bool(QWidget*)> act, std::source_location where)
        : act_(std::move(act)), where_(where), timer_(std::make_unique<QTimer>())
    {
        timer_->setInterval(10);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { poll(); });
        timer_->start();
    }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;
    ~ModalWatch()
    {
        timer_.reset();
        if (!seen_ && !QTest::currentTestFailed())
            QTest::qFail("the expected modal dialog never appeared", where_.file_name(),
                         static_cast<int>(where_.line()));
    }
    bool seen() const { return seen_; }

private:
    void poll()
    {
        if (seen_) return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !act_(w)) return;
        seen_ = true;
        timer_->stop();
    }

    std::function<bool(QWidget*)> act_;  // true once it has taken the widget
    std::source_location where_;
    std::unique_ptr<QTimer> timer_;
    bool seen_ = false;
};

// Hands the next modal widget, whatever it is, to act.
[[nodiscard]] inline std::unique_ptr<ModalWatch> WhenModalShows(
    std::function<void(QWidget*)> act, std::source_location where = std::source_location::current())
{
    return std::make_unique<ModalWatch>(
        [act = std::move(act)](QWidget* w) {
            act(w);
            return true;
        },
        where);
}

// Waits for a modal dialog of class T (other modal widgets are passed over) and hands it to act.
template <typename T>
[[nodiscard]] std::unique_ptr<ModalWatch> WhenModalOfClassShows(
    std::function<void(T*)> act, std::source_location where = std::source_location::current())
{
    return std::make_unique<ModalWatch>(
        [act = std::move(act)](QWidget* w) {
            auto* t = qobject_cast<T*>(w);
            if (!t) return false;
            act(t);
            return true;
        },
        where);
}

// Clicks the message box button with this text (e.g. "&Yes", "OK"); records what the box said.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Answers the next message box with this button. A box without that button is a test failure;
// it is closed with Escape so that the test goes on instead of hanging.
[[nodiscard]] inline std::unique_ptr<ModalWatch> ClickMessageBoxButton(
    QMessageBox::StandardButton which, SeenBox* seen = nullptr,
    std::source_location where = std::source_location::current())
{
    return WhenModalOfClassShows<QMessageBox>(
        [which, seen, where](QMessageBox* box) {
            if (seen) {
                seen->title = box->windowTitle();
                seen->text = box->text();
                seen->icon = box->icon();
                for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
            }
            if (QAbstractButton* b = box->button(which)) {
                b->click();
            } else {
                QTest::qFail("the message box has no such button", where.file_name(), static_cast<int>(where.line()));
                box->reject();
            }
        },
        where);
}

}  // namespace zvtest
