#include "plMessageBox.h"

#include <QApplication>
#include <QDebug>

namespace {

TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}

QMessageBox::StandardButton FallbackButton(const TMessageBoxRequest& r)
{
    if (r.DefaultButton != QMessageBox::NoButton)
        return r.DefaultButton;
    for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
        if (r.Buttons & bit)
            return QMessageBox::StandardButton(bit);
    return QMessageBox::NoButton;
}

} // namespace

QMessageBox::StandardButton ShowMessageBox(const QString& Text, const QString& Caption, QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons,
                                           QMessageBox::StandardButton DefaultButton, QWidget* Parent)
{
    const TMessageBoxRequest request{Text, Caption, Icon, Buttons, DefaultButton, Parent};
    if (const TMessageBoxHook& hook = Hook())
        return hook(request);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning().noquote() << Caption << ":" << Text;
        return FallbackButton(request);
    }
    QMessageBox box(Icon, Caption, Text, Buttons, Parent);
    if (DefaultButton != QMessageBox::NoButton)
        box.setDefaultButton(DefaultButton);
    return QMessageBox::StandardButton(box.exec());
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook)
{
    TMessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

TMessageBoxRecorder::TMessageBoxRecorder(QMessageBox::StandardButton answer) : Answer(answer)
{
    FPrevious = SetMessageBoxHook([this](const TMessageBoxRequest& r) {
        Boxes.push_back(r);
        return Answer != QMessageBox::NoButton ? Answer : FallbackButton(r);
    });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    SetMessageBoxHook(std::move(FPrevious));
}
