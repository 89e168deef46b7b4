#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QDialog;
class QIODevice;

// Orientation values of the object: 0 portrait, 1 landscape.
enum TplPrinterOrientation : int { poPortrait = 0, poLandscape = 1 };

// Placeholder published object; holds nothing and streams nothing.
struct TplPrinterProperties {};

using TplNotifyEvent = std::function<void(QObject* Sender)>;
using TplPrtDialogCloseEvent = std::function<void(QObject* Sender, int ID)>;

// One printer choice and its print settings: printer, paper, paper source,
// orientation, colour, copies, collation, duplex, user paper forms, and a
// snapshot of the whole device-mode block that survives printer changes and
// can be stored as a "TPF0" component stream.
//
// Every device-mode write passes the edit cycle (LockDevMode, field write
// when the driver supports it, driver pass, unlock, publish to the current
// printer). With no printer installed the object is inert and returns
// defaults.
class TplSetPrinter : public QObject {
    Q_OBJECT
public:
    explicit TplSetPrinter(QObject* AOwner = nullptr);
    ~TplSetPrinter() override;

    // Name of the component ("Default" for a document's own object).
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    // --- Printer selection -------------------------------------------------
    int PrintersCount() const; // fresh count, hidden printers included
    QString PrinterName();     // full name of the first visible match, or empty
    void SetPrinterName(const QString& v);
    int PrinterNumber() const { return FPrinterNumber; }
    void SetPrinterNumber(int v);
    QString dsPrinterName() const { return FdsPrinterName; }
    void SetdsPrinterName(const QString& v) { FdsPrinterName = v; }

    QString FindPrinterName(const QString& text);
    int FindPrinterIndex(const QString& text);
    void GetPrinterInfo(bool GetFlag);

    // --- Paper, bin, orientation -------------------------------------------
    int PaperNumber() const;
    void SetPaperNumberProp(int v);      // property write
    bool SetPaperNumber(uint16_t Index); // confirming setter
    QString PaperName();
    void SetPaperNameProp(const QString& v);
    bool SetPaperName(const QString& PaperStr);
    bool FindPaperNumber(const QString& name, int& number);
    int BinNumber() const;
    void SetBinNumber(int v);
    QString BinName();
    void SetBinNameProp(const QString& v);
    bool SetBinName(const QString& BinStr);
    int Orientation() const;
    void SetOrientationProp(int v);
    bool SetOrientation(int Orient);
    int DriverVersion() const;

    // --- Other device-mode fields --------------------------------------------
    int Color() const;
    void SetColor(int v);
    int ColorBit() const;
    int Collate() const;
    void SetCollate(int v);
    int Copies() const;
    void SetCopies(int v);
    int Duplex() const;
    void SetDuplex(int v);

    // --- User paper forms ------------------------------------------------------
    bool SetUserPaper(const QString& UserPaperName, int CustomW, int CustomH);
    bool DeleteUserPaper(const QString& UserPaperName);
    QString CustomPaperName() const { return FCustomPaperName; }

    // --- Lists (owned by the object) ---------------------------------------------
    const QStringList& PrinterList();
    const QStringList& PaperList();
    const QStringList& BinList();

    // --- Geometry of the current printer, device pixels (0 with no printer) ----
    int XResolution() const;
    int YResolution() const;
    int PaperWidth() const;
    int PaperHeight() const;
    int PageWidth() const;
    int PageHeight() const;
    int LeftOffset() const;
    int TopOffset() const;
    int RightOffset() const;
    int BottomOffset() const;

    // --- Snapshot and settings ---------------------------------------------------
    void TakeSnapshot();
    bool RestoreSnapshot();
    void SelectPrinter();
    void CallSetting();
    int DevSize() const { return FDevSize; }
    const QByteArray& Settings() const { return ASettings; }

    // --- Stream, files, dialogs ----------------------------------------------------
    // Writes the "TPF0" component stream of the object.
    QByteArray WriteStream();
    // Reads a stream into the object and runs the after-loading step.
    // Throws std::runtime_error on a malformed stream or an unknown property.
    void ReadStream(const QByteArray& data);
    bool SaveToFile(const QString& AFile);
    bool LoadFromFile(const QString& AFile);
    bool ShowDialog();
    bool ShowSetupDialog();

    // Loading state: writes of PrinterName only set the name.
    bool Loading() const { return FLoading; }
    void SetLoading(bool v) { FLoading = v; }
    // The step the stream reader runs once the whole stream is read.
    void Loaded();

    TplPrinterProperties Properties;

    TplNotifyEvent OnPrinterChange;
    TplPrtDialogCloseEvent OnDialogClose;
    std::function<void(QDialog* Sender)> OnSetupDialogShow;
    std::function<void(QDialog* Sender)> OnSetupDialogClose;

    // Set when the object is edited in a designer; never in this program.
    bool Designing = false;

    // Stream-carried fields (also written by the stream reader).
    QString FPrinterName;
    QString FdsPrinterName;
    int FPrinterNumber = -1;
    int FPrintersCount = 0;
    int FOrientation = 0;
    int FPaperNumber = 0;
    int FBinNumber = 0;
    QString FPaperName;
    int FDriverVersion = 0;
    QString FCustomPaperName;
    QByteArray ASettings; // the snapshot
    int FDevSize = 0;     // its length

private:
    // The edit cycle and its steps; the state they work on (ADevice,
    // ADriver, APort, hPrtHandle, ADevMode) is in plSetPrinter_p.h.
    void EditDevMode(uint32_t bit, const std::function<void(QByteArray& dm)>& change);
    // The block is locked and unlocked only through a TDevModeLock, so that
    // no return or exception leaves it locked.
    class TDevModeLock;
    bool LockDevMode();
    void UnlockDevMode();
    // LockDevMode and an immediate unlock: the object's printer and settings
    // become the current printer's.
    void MakeCurrent();
    void ApplyDevMode(QByteArray* dm);
    void PublishDevMode();
    // The device mode the object last obtained from or published to the
    // current printer (obtained now when it has none yet); null with no printer.
    const QByteArray* ReadDevMode() const;
    QString CurrentListEntry();
    int FindPrinter(const QString& text, QString* name);
    bool RegisterUserForm(const QString& name, int w, int h);
    bool CheckUserPaperSize(int w, int h);

    struct Private;
    std::unique_ptr<Private> d;
    bool FLoading = false;
    QStringList FPrinterList, FPaperList, FBinList;
};
