#include "plPrev.h"

#include "plMessageBox.h"
#include "plPrevFrm.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>

namespace {

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

bool TCustomplPrev::FindPreviewForm()
{
    FAutoCreateForm = false;
    if (FFormName.isEmpty()) {
        if (FForm) {
            FFormName = FForm->objectName();
            if (auto* f = qobject_cast<TplPrevForm*>(FForm)) {
                f->SetplPrev(this);
                return true;
            }
            return false;
        }
        auto* f = new TplPrevForm;
        // The window belongs to the document: it goes when the document goes.
        connect(this, &QObject::destroyed, f, [f] { delete f; });
        FFormName = f->objectName() + QStringLiteral("__") + objectName();
        f->setObjectName(FFormName);
        f->SetplPrev(this);
        FAutoCreateForm = true;
        return true;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName().compare(FFormName, Qt::CaseInsensitive) != 0)
            continue;
        if (auto* found = qobject_cast<TplPrevForm*>(w)) {
            if (!FForm)
                FForm = found;
            auto* f = qobject_cast<TplPrevForm*>(FForm);
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
        QPointer<TplPrevForm> f = qobject_cast<TplPrevForm*>(FForm);
        DoPrepare();
        FIsPrevFormShow = true;
        f->SetStyleName(FormStyleName);
        f->ShowModal();
        if (FAutoCreateForm) {
            delete f.data();
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
        if (auto* f = qobject_cast<TplPrevForm*>(FForm)) {
            f->SetStyleName(FormStyleName);
            f->Show();
        }
        return;
    }
    if (FindPreviewForm()) {
        auto* f = qobject_cast<TplPrevForm*>(FForm);
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
    if (auto* f = qobject_cast<TplPrevForm*>(FForm))
        f->DrawMetaImage();
    return true;
}

void TCustomplPrev::Close()
{
    if (AcrobatOut() || !FForm)
        return;
    if (auto* f = qobject_cast<TplPrevForm*>(FForm))
        f->CloseBtnClick(this);
    else
        FForm->close();
}

void TCustomplPrev::PrintWithDialog()
{
    if (auto* f = qobject_cast<TplPrevForm*>(FForm))
        f->PrintBtnClick(this);
}

void TCustomplPrev::SetImageVisible(bool v)
{
    if (v == FImageVisible)
        return;
    FImageVisible = v;
    auto* f = qobject_cast<TplPrevForm*>(FForm);
    if (!f)
        return;
    if (v) {
        f->Image1->show();
        f->Shape1->show();
        if (ImageShade)
            f->Shape2->show();
        Display(FPageNumber);
    } else {
        f->Image1->hide();
        f->Shape1->hide();
        f->Shape2->hide();
    }
}
