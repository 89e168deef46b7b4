// The printer-settings object's two dialogs: the printer's own settings (every
// option the spooler offers for the destination) and the printer setup
// (printer, paper, paper source, orientation).

#include "plSetPrinter.h"

#include "plSetPrinter_p.h"
#include "uUtils.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>
#include <vector>

using namespace DevMode;

namespace {

QString Tr(const char* english, const char* japanese)
{
    return QString::fromUtf8(IsJapanese() ? japanese : english);
}

QWidget* DialogOwner()
{
    return QApplication::activeWindow();
}

QComboBox* NewCombo(const QString& name)
{
    auto* cb = new QComboBox;
    cb->setObjectName(name);
    return cb;
}

void SelectData(QComboBox* cb, const QVariant& data)
{
    const int i = cb->findData(data);
    if (i >= 0)
        cb->setCurrentIndex(i);
}

// The printer's own settings on a copy of its device mode. Only the fields
// the user changes are written into the copy; the driver pass then checks them.
class TDriverDialog : public QDialog {
public:
    TDriverDialog(const TPrinterCaps& caps, const QByteArray& dm, QWidget* parent) : QDialog(parent), FDevMode(dm)
    {
        setObjectName(QStringLiteral("plDriverDialog"));
        setWindowTitle(IsJapanese() ? caps.Name + QString::fromUtf8(" のプロパティ") : caps.Name + " Properties");
        const TConstView v(dm);
        const uint32_t f = v.Fields();

        auto* basic = new QFormLayout;
        if ((f & DM_PAPERSIZE) && !caps.Papers.isEmpty()) {
            QComboBox* cb = NewCombo(QStringLiteral("cbPaper"));
            for (const TPaperInfo& p : caps.Papers)
                cb->addItem(p.Name, p.Number);
            AddCombo(basic, Tr("Paper size", "用紙サイズ"), cb, v.PaperSize(),
                     [](TView out, int n) { out.SelectPaper(n); });
        }
        if ((f & DM_DEFAULTSOURCE) && !caps.Bins.isEmpty()) {
            QComboBox* cb = NewCombo(QStringLiteral("cbBin"));
            for (const TBinInfo& b : caps.Bins)
                cb->addItem(b.Name, b.Number);
            AddCombo(basic, Tr("Paper source", "給紙方法"), cb, v.DefaultSource(),
                     [](TView out, int n) { out.SetDefaultSource(n); });
        }
        if (f & DM_ORIENTATION) {
            QComboBox* cb = NewCombo(QStringLiteral("cbOrientation"));
            cb->addItem(Tr("Portrait", "縦"), OrientPortrait);
            cb->addItem(Tr("Landscape", "横"), OrientLandscape);
            AddCombo(basic, Tr("Orientation", "印刷の向き"), cb, v.Orientation(),
                     [](TView out, int n) { out.SetOrientation(TOrientation(n)); });
        }
        if (f & DM_COLOR) {
            QComboBox* cb = NewCombo(QStringLiteral("cbColor"));
            cb->addItem(Tr("Colour", "カラー"), ColorColor);
            cb->addItem(Tr("Monochrome", "白黒"), ColorMonochrome);
            AddCombo(basic, Tr("Colour", "カラー"), cb, v.Color(),
                     [](TView out, int n) { out.SetColor(TColorMode(n)); });
        }
        if (f & DM_DUPLEX) {
            QComboBox* cb = NewCombo(QStringLiteral("cbDuplex"));
            cb->addItem(Tr("One-sided", "片面"), DuplexSimplex);
            if (caps.DuplexLong)
                cb->addItem(Tr("Two-sided, long edge", "両面（長辺とじ）"), DuplexVertical);
            if (caps.DuplexShort)
                cb->addItem(Tr("Two-sided, short edge", "両面（短辺とじ）"), DuplexHorizontal);
            AddCombo(basic, Tr("Two-sided", "両面印刷"), cb, v.Duplex(),
                     [](TView out, int n) { out.SetDuplex(TDuplex(n)); });
        }
        if ((f & DM_PRINTQUALITY) && caps.Resolutions.size() > 1) {
            QComboBox* cb = NewCombo(QStringLiteral("cbResolution"));
            for (const QPoint& r : caps.Resolutions)
                cb->addItem(r.x() == r.y() ? QStringLiteral("%1 dpi").arg(r.x())
                                           : QStringLiteral("%1 × %2 dpi").arg(r.x()).arg(r.y()),
                            r);
            SelectData(cb, QPoint(v.PrintQuality(), v.YResolution()));
            const QVariant initial = cb->currentData();
            basic->addRow(Tr("Resolution", "解像度"), cb);
            FEdits.push_back([cb, initial](QByteArray& out) {
                if (cb->currentData() == initial)
                    return;
                const QPoint r = cb->currentData().toPoint();
                TView edit(out);
                edit.SetPrintQuality(r.x());
                edit.SetYResolution(r.y());
            });
        }
        if (f & DM_COPIES) {
            auto* sb = new QSpinBox;
            sb->setObjectName(QStringLiteral("sbCopies"));
            sb->setRange(1, std::max(1, caps.MaxCopies));
            sb->setValue(v.Copies());
            const int initial = sb->value();
            basic->addRow(Tr("Copies", "部数"), sb);
            FEdits.push_back([sb, initial](QByteArray& out) {
                if (sb->value() != initial)
                    TView(out).SetCopies(sb->value());
            });
        }
        if (f & DM_COLLATE) {
            auto* cb = new QCheckBox(Tr("Collate", "部単位で印刷"));
            cb->setObjectName(QStringLiteral("chkCollate"));
            cb->setChecked(v.Collate() == CollateOn);
            const bool initial = cb->isChecked();
            basic->addRow(QString(), cb);
            FEdits.push_back([cb, initial](QByteArray& out) {
                if (cb->isChecked() != initial)
                    TView(out).SetCollate(cb->isChecked() ? CollateOn : CollateOff);
            });
        }

        // Every other option of the destination, kept in the private bytes.
        auto* advanced = new QFormLayout;
        const QList<std::pair<QString, QString>> stored = PrivateOptions(dm);
        for (const TPrinterOption& o : caps.Options) {
            QComboBox* cb = NewCombo(QStringLiteral("opt:") + o.Keyword);
            for (const QString& choice : o.Choices)
                cb->addItem(choice, choice);
            QString current = o.Default;
            bool kept = false;
            for (const auto& [key, value] : stored)
                if (key == o.Keyword) {
                    current = value;
                    kept = true;
                }
            SelectData(cb, current);
            cb->setEnabled(kept && o.Choices.size() > 1);
            advanced->addRow(o.Label.isEmpty() ? o.Keyword : o.Label, cb);
            const QString initial = cb->currentData().toString();
            FEdits.push_back([cb, initial, keyword = o.Keyword](QByteArray& out) {
                const QString value = cb->currentData().toString();
                if (value != initial)
                    SetPrivateOption(out, keyword, value);
            });
        }

        auto* layout = new QVBoxLayout(this);
        auto* basicBox = new QGroupBox(Tr("Paper and output", "用紙と出力"));
        basicBox->setLayout(basic);
        layout->addWidget(basicBox);
        if (advanced->rowCount() > 0) {
            auto* advancedBox = new QGroupBox(Tr("Printer options", "プリンタのオプション"));
            advancedBox->setLayout(advanced);
            auto* scroll = new QScrollArea;
            scroll->setWidget(advancedBox);
            scroll->setWidgetResizable(true);
            scroll->setFrameShape(QFrame::NoFrame);
            layout->addWidget(scroll, 1);
        } else {
            delete advanced;
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }

    QByteArray Result() const
    {
        QByteArray out = FDevMode;
        for (const auto& edit : FEdits)
            edit(out);
        return out;
    }

private:
    // A choice of one field: current is the block's value, write sets a
    // changed one.
    void AddCombo(QFormLayout* form, const QString& label, QComboBox* cb, int current, void (*write)(TView, int))
    {
        SelectData(cb, current);
        const int initial = cb->currentData().toInt();
        form->addRow(label, cb);
        FEdits.push_back([cb, initial, write](QByteArray& out) {
            const int value = cb->currentData().toInt();
            if (value != initial)
                write(TView(out), value);
        });
    }

    QByteArray FDevMode;
    std::vector<std::function<void(QByteArray&)>> FEdits;
};

// The printer setup: a printer from the visible ones, with paper, paper
// source and orientation from that printer's tables.
class TSetupDialog : public QDialog {
public:
    std::function<void()> OnShow;

    explicit TSetupDialog(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("plSetupDialog"));
        setWindowTitle(Tr("Print Setup", "プリンタの設定"));
        cbPrinter = NewCombo(QStringLiteral("cbPrinter"));
        cbPaper = NewCombo(QStringLiteral("cbPaper"));
        cbBin = NewCombo(QStringLiteral("cbBin"));
        rbPortrait = new QRadioButton(Tr("Portrait", "縦"));
        rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
        rbLandscape = new QRadioButton(Tr("Landscape", "横"));
        rbLandscape->setObjectName(QStringLiteral("rbLandscape"));

        auto* printerBox = new QGroupBox(Tr("Printer", "プリンタ"));
        auto* printerForm = new QFormLayout(printerBox);
        printerForm->addRow(Tr("Name:", "プリンタ名:"), cbPrinter);
        auto* paperBox = new QGroupBox(Tr("Paper", "用紙"));
        auto* paperForm = new QFormLayout(paperBox);
        paperForm->addRow(Tr("Size:", "サイズ:"), cbPaper);
        paperForm->addRow(Tr("Source:", "給紙方法:"), cbBin);
        orientationBox = new QGroupBox(Tr("Orientation", "印刷の向き"));
        auto* orientationLayout = new QVBoxLayout(orientationBox);
        orientationLayout->addWidget(rbPortrait);
        orientationLayout->addWidget(rbLandscape);
        auto* row = new QHBoxLayout;
        row->addWidget(paperBox, 1);
        row->addWidget(orientationBox);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(printerBox);
        layout->addLayout(row);
        layout->addWidget(buttons);
    }

    // Fills the dialog: the visible printers with their positions in the
    // enumeration, the one selected, and its device mode.
    void Fill(const QList<std::pair<QString, int>>& printers, int current, const QByteArray& dm)
    {
        for (const auto& [name, index] : printers)
            cbPrinter->addItem(name, index);
        SelectData(cbPrinter, current);
        ShowPrinter(dm);
        connect(cbPrinter, &QComboBox::currentIndexChanged, this, [this] {
            const auto caps = TPrinter::Printer().Service().Caps(cbPrinter->currentText());
            ShowPrinter(caps ? Defaults(*caps) : QByteArray());
        });
    }

    int PrinterIndex() const { return cbPrinter->currentData().toInt(); }
    QVariant Paper() const { return cbPaper->currentData(); }
    QVariant Bin() const { return cbBin->currentData(); }
    TOrientation Orientation() const { return rbLandscape->isChecked() ? OrientLandscape : OrientPortrait; }

protected:
    void showEvent(QShowEvent* e) override
    {
        QDialog::showEvent(e);
        if (OnShow && !e->spontaneous())
            OnShow();
    }

private:
    void ShowPrinter(const QByteArray& dm)
    {
        cbPaper->clear();
        cbBin->clear();
        const auto caps = TPrinter::Printer().Service().Caps(cbPrinter->currentText());
        if (caps) {
            for (const TPaperInfo& p : caps->Papers)
                cbPaper->addItem(p.Name, p.Number);
            for (const TBinInfo& b : caps->Bins)
                cbBin->addItem(b.Name, b.Number);
        }
        const TConstView v(dm);
        const uint32_t f = v.Fields();
        SelectData(cbPaper, v.PaperSize());
        SelectData(cbBin, v.DefaultSource());
        cbPaper->setEnabled((f & DM_PAPERSIZE) && cbPaper->count() > 0);
        cbBin->setEnabled((f & DM_DEFAULTSOURCE) && cbBin->count() > 0);
        orientationBox->setEnabled(f & DM_ORIENTATION);
        (v.Orientation() == OrientLandscape ? rbLandscape : rbPortrait)->setChecked(true);
    }

    QComboBox* cbPrinter;
    QComboBox* cbPaper;
    QComboBox* cbBin;
    QGroupBox* orientationBox;
    QRadioButton* rbPortrait;
    QRadioButton* rbLandscape;
};

} // namespace

bool TplSetPrinter::ShowDialog()
{
    if (FPrintersCount == 0)
        return false;
    int id = 2;
    {
        const TDevModeLock lock(*this);
        const QString device = d->ADevice;
        const auto caps = TPrinter::Printer().Service().Caps(device);
        if (lock.Block() && caps) {
            TDriverDialog dialog(*caps, *lock.Block(), DialogOwner());
            if (dialog.exec() == QDialog::Accepted) {
                QByteArray dm = dialog.Result();
                TPrinter::Printer().Service().DocumentProperties(device, dm);
                *lock.Block() = dm;
                id = 1;
            }
        }
    }
    if (id == 1) {
        PublishDevMode();
        TakeSnapshot();
    }
    if (OnDialogClose)
        OnDialogClose(this, id);
    return id == 1;
}

bool TplSetPrinter::ShowSetupDialog()
{
    if (FPrintersCount == 0)
        return false;
    TSetupDialog dialog(DialogOwner());
    dialog.OnShow = [&] {
        if (OnSetupDialogShow)
            OnSetupDialogShow(&dialog);
    };
    connect(&dialog, &QDialog::finished, this, [&] {
        if (OnSetupDialogClose)
            OnSetupDialogClose(&dialog);
    });

    // Open on the object's printer with the object's settings.
    MakeCurrent();

    TPrinter& printer = TPrinter::Printer();
    QList<std::pair<QString, int>> visible;
    const QList<TPrinterEntry> entries = printer.Service().Enumerate();
    for (int i = 0; i < entries.size(); ++i)
        if (!entries[i].Hidden)
            visible.append({entries[i].Name, i});
    QString device, driver, port;
    TDevModeHandle handle;
    printer.GetPrinter(device, driver, port, handle);
    dialog.Fill(visible, printer.PrinterIndex(), handle ? *handle : QByteArray());
    if (dialog.exec() != QDialog::Accepted)
        return false;

    // The chosen printer becomes current; another printer starts from its
    // defaults. The chosen paper, source and orientation go through the driver.
    if (dialog.PrinterIndex() != printer.PrinterIndex()) {
        printer.SetPrinterIndex(dialog.PrinterIndex());
        printer.GetPrinter(device, driver, port, handle);
        printer.SetPrinter(device, driver, port, nullptr);
    }
    printer.GetPrinter(device, driver, port, handle);
    if (handle) {
        QByteArray& dm = *handle;
        TView v(dm);
        const uint32_t f = v.Fields();
        if ((f & DM_PAPERSIZE) && dialog.Paper().isValid() && dialog.Paper().toInt() != v.PaperSize())
            v.SelectPaper(dialog.Paper().toInt());
        if ((f & DM_DEFAULTSOURCE) && dialog.Bin().isValid())
            v.SetDefaultSource(dialog.Bin().toInt());
        if (f & DM_ORIENTATION)
            v.SetOrientation(dialog.Orientation());
        printer.Service().DocumentProperties(device, dm);
        printer.SetPrinter(device, driver, port, handle);
    }
    FPrinterNumber = printer.PrinterIndex();
    FPrinterName = FindPrinterName(CurrentListEntry());
    FdsPrinterName = FPrinterName;
    TakeSnapshot();
    return true;
}
