#include "plPrev.h"

#include "plMessageBox.h"
#include "plPrevHost.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>

namespace {

// Constant-initialised: a factory registered by another file's static
// initialiser is never overwritten.
TplPrevFormFactory FormFactory = nullptr;

// The preview window behind a widget; none for any other window.
TplPrevHost* Host(QWidget* w)
{
    return qobject_cast<TplPrevHost*>(w);
}

// Puts the re-entry guard back however the operation ends.
struct DisplayGuard {
    bool& Flag;
    explicit DisplayGuard(bool& f) : Flag(f) { Flag = false; }
    ~DisplayGuard() { Flag = true; }
};

// Shows a window that is not a preview window modally and waits until it
// is hidden again.
void ExecWindow(QWidget* w)
{
    if (auto* dlg = qobject_cast<QDialog*>(w)) {
        dlg->exec();
        return;
    }
    QPointer<QWidget> guard(w);
    QEventLoop loop;
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    while (guard && guard->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

void RegisterPreviewForm(TplPrevFormFactory Factory)
{
    FormFactory = Factory;
}

TplPrevFormFactory PreviewFormFactory()
{
    return FormFactory;
}

bool TCustomplPrev::FindPreviewForm()
{
    FAutoCreateForm = false;
    if (FFormName.isEmpty()) {
        if (FForm) {
            FFormName = FForm->objectName();
            if (auto* f = Host(FForm)) {
                f->SetplPrev(this);
                return true;
            }
            return false;
        }
        if (!FormFactory) {
            qWarning("No preview window is linked into this program: the pages cannot be shown.");
            return false;
        }
        QWidget* w = FormFactory();
        // The window belongs to the document: it goes when the document goes.
        connect(this, &QObject::destroyed, w, [w] { delete w; });
        FFormName = w->objectName() + QStringLiteral("__") + objectName();
        w->setObjectName(FFormName);
        Host(w)->SetplPrev(this);
        FAutoCreateForm = true;
        return true;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName().compare(FFormName, Qt::CaseInsensitive) != 0)
            continue;
        if (auto* found = Host(w)) {
            if (!FForm)
                FForm = w;
            auto* f = Host(FForm);
            (f ? f : found)->SetplPrev(this);
            return true;
        }
        if (!FForm)
            FForm = w;
        return false;
    }
    return false;
}

bool TCustomplPrev::PrintedInsteadOfShown()
{
    if (!AcrobatOut())
        return false;
    if (FDrawType == dtCont)
        Print();
    return true;
}

void TCustomplPrev::ShowModal()
{
    if (!fgDisplay || PrintedInsteadOfShown())
        return;
    if (FIsPrevFormShow) {
        ShowMessageBox(QStringLiteral("表示中のフォームをモーダル表示で開くことはできません(矛盾)．　　"),
                       QStringLiteral("印刷プレビュー制御コンポーネント"), QMessageBox::Warning);
        return;
    }
    DisplayGuard guard(fgDisplay);
    if (FindPreviewForm()) {
        QPointer<QWidget> w = FForm;
        DoPrepare();
        FIsPrevFormShow = true;
        Host(w)->SetStyleName(FormStyleName);
        Host(w)->ShowModal();
        if (FAutoCreateForm) {
            delete w.data();
            FForm = nullptr;
            FFormName.clear();
        }
        return;
    }
    // A window of the application's own that is not a preview window.
    QPointer<QWidget> w = FForm;
    if (!w)
        return; // the name matches no window: there is nothing to show
    try {
        DoPrepare();
        FIsPrevFormShow = true;
        ExecWindow(w);
        SetViewWidth(0);
        SetViewHeight(0);
        FIsPrevFormShow = false;
    } catch (...) {
        FIsPrevFormShow = false;
    }
}

void TCustomplPrev::Show()
{
    if (!fgDisplay || PrintedInsteadOfShown())
        return;
    DisplayGuard guard(fgDisplay);
    if (FIsPrevFormShow) {
        if (auto* f = Host(FForm)) {
            f->SetStyleName(FormStyleName);
            f->Show();
        }
        return;
    }
    if (FindPreviewForm()) {
        auto* f = Host(FForm);
        DoPrepare();
        f->SetStyleName(FormStyleName);
        // Set before showing: a window closed while it opens clears it again.
        FIsPrevFormShow = true;
        f->Show();
    }
}

bool TCustomplPrev::Display(int Page)
{
    if (!FForm || !FForm->isVisible() || !fgDisplay || Page < 1 || Page > FPageCount)
        return false;
    DisplayGuard guard(fgDisplay);
    FPageNumber = Page;
    if (auto* f = Host(FForm))
        f->DrawMetaImage();
    return true;
}

void TCustomplPrev::Close()
{
    if (AcrobatOut() || !FForm)
        return;
    if (auto* f = Host(FForm))
        f->CloseBtnClick(this);
    else
        FForm->close();
}

void TCustomplPrev::PrintWithDialog()
{
    if (auto* f = Host(FForm))
        f->PrintBtnClick(this);
}

void TCustomplPrev::SetImageVisible(bool v)
{
    if (v == FImageVisible)
        return;
    FImageVisible = v;
    auto* f = Host(FForm);
    if (!f)
        return;
    f->ShowPageImage(v, ImageShade);
    if (v)
        Display(FPageNumber);
}
