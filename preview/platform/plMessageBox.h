#pragma once

// The one way the engine and the program show a message box. A hook can be
// installed (tests do) to see every box and answer it without a window.

#include <QMessageBox>
#include <QString>

#include <functional>
#include <vector>

struct TMessageBoxRequest {
    QString Text;
    QString Caption;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
    QWidget* Parent = nullptr;
};

using TMessageBoxHook = std::function<QMessageBox::StandardButton(const TMessageBoxRequest&)>;

// Shows a modal box and returns the button pressed (Escape or closing the
// box gives the escape button Qt chooses). Without a widget application the
// text goes to the log and the default button (or the first one) is returned.
QMessageBox::StandardButton ShowMessageBox(const QString& Text, const QString& Caption,
                                           QMessageBox::Icon Icon = QMessageBox::Information,
                                           QMessageBox::StandardButtons Buttons = QMessageBox::Ok,
                                           QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton,
                                           QWidget* Parent = nullptr);

// Replaces the hook (an empty one restores the real boxes); returns the old one.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// While alive, records every box instead of showing it and answers with
// Answer, or with the box's default button (else its first) when Answer is
// NoButton. Restores the previous hook on destruction.
class TMessageBoxRecorder {
public:
    explicit TMessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::NoButton);
    ~TMessageBoxRecorder();
    TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
    TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

    std::vector<TMessageBoxRequest> Boxes;
    QMessageBox::StandardButton Answer;

private:
    TMessageBoxHook FPrevious;
};
