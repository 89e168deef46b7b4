#include "plPrev.h"

#include "plComponentSettings.h"
#include "plPrinterStream.h"
#include "plSetPrinter.h"
#include "plStreamValues.h"

#include <limits>
#include <stdexcept>

// The printer-settings snapshot in the component stream's text form.

QString TCustomplPrev::PrinterSettingsToText()
{
    if (!FplSetPrinter)
        return QString();
    try {
        return PrinterStreamToText(FplSetPrinter->WriteStream());
    } catch (const std::exception&) {
        return QString();
    }
}

void TCustomplPrev::PrinterSettingsFromText(const QString& T)
{
    if (!FplSetPrinter)
        return;
    try {
        FplSetPrinter->ReadStream(PrinterStreamFromText(T));
    } catch (const std::exception&) {
        // A snapshot that does not read leaves what was read of it.
    }
}

void TCustomplPrev::Loaded()
{
    FSavePrinterNameStr = PrinterSettingsToText();
}

// --- Stored settings --------------------------------------------------------

namespace {

// One published setting: its stored name, how it is written and read.
struct TStoredSetting {
    const char* Name;
    void (*Write)(const TCustomplPrev& D, TStreamWriter& W);
    void (*Read)(TCustomplPrev& D, TStreamReader& R);
};

[[noreturn]] void OutOfRange(int32_t v)
{
    throw TStreamError(QStringLiteral("value %1 out of range").arg(v).toStdString());
}

// A whole value of the record, checked before anything is taken.
int32_t WholeInteger(TStreamReader& R, int32_t min, int32_t max)
{
    const int32_t v = R.ReadInteger();
    if (!R.AtEnd())
        throw TStreamError("more than one value");
    if (v < min || v > max)
        OutOfRange(v);
    return v;
}

QString WholeString(TStreamReader& R)
{
    QString s = R.ReadString();
    if (!R.AtEnd())
        throw TStreamError("more than one value");
    return s;
}

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

#define INT_SETTING(name, get, set)                                                                                    \
    TStoredSetting                                                                                                     \
    {                                                                                                                  \
        name, [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(D.get); },                                 \
            [](TCustomplPrev& D, TStreamReader& R) { set(WholeInteger(R, kMinInt, kMaxInt)); }                         \
    }
#define BOOL_SETTING(name, field)                                                                                      \
    TStoredSetting                                                                                                     \
    {                                                                                                                  \
        name, [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(D.field ? 1 : 0); },                       \
            [](TCustomplPrev& D, TStreamReader& R) { D.field = WholeInteger(R, 0, 1) != 0; }                           \
    }
#define ENUM_SETTING(name, field, type, last)                                                                          \
    TStoredSetting                                                                                                     \
    {                                                                                                                  \
        name, [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(int32_t(D.field)); },                      \
            [](TCustomplPrev& D, TStreamReader& R) { D.field = type(WholeInteger(R, 0, int32_t(last))); }              \
    }
#define STRING_SETTING(name, field)                                                                                    \
    TStoredSetting                                                                                                     \
    {                                                                                                                  \
        name, [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteString(D.field); },                                \
            [](TCustomplPrev& D, TStreamReader& R) { D.field = WholeString(R); }                                       \
    }

// In the order they are written.
const TStoredSetting kStoredSettings[] = {
    INT_SETTING("LeftMargin", LeftMargin(), D.SetLeftMargin),
    INT_SETTING("TopMargin", TopMargin(), D.SetTopMargin),
    INT_SETTING("RightMargin", RightMargin(), D.SetRightMargin),
    INT_SETTING("BottomMargin", BottomMargin(), D.SetBottomMargin),
    INT_SETTING("HeaderMargin", HeaderMargin(), D.SetHeaderMargin),
    INT_SETTING("FooterMargin", FooterMargin(), D.SetFooterMargin),
    INT_SETTING("PageCount", PageCount(), D.SetPageCount),
    TStoredSetting{"BtnOptions",
                   [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(int32_t(D.BtnOptions().ToInt())); },
                   [](TCustomplPrev& D, TStreamReader& R) {
                       D.SetBtnOptions(TplPrevBtnOptions::FromInt(uint32_t(WholeInteger(R, 0, 0x1FFF))));
                   }},
    STRING_SETTING("Title", FTitle),
    ENUM_SETTING("Cursor", FCursor, Qt::CursorShape, Qt::LastCursor),
    INT_SETTING("FormLeft", FormLeft, D.FormLeft =),
    INT_SETTING("FormTop", FormTop, D.FormTop =),
    INT_SETTING("FormWidth", FormWidth, D.FormWidth =),
    INT_SETTING("FormHeight", FormHeight, D.FormHeight =),
    STRING_SETTING("FormName", FFormName),
    BOOL_SETTING("FormIconBar", FormIconBar),
    TStoredSetting{"FormBorderIcons",
                   [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(int32_t(D.FormBorderIcons.ToInt())); },
                   [](TCustomplPrev& D, TStreamReader& R) {
                       D.FormBorderIcons = TBorderIcons::FromInt(uint32_t(WholeInteger(R, 0, 0xF)));
                   }},
    ENUM_SETTING("FormBorderStyle", FormBorderStyle, TFormBorderStyle, bsSizeToolWin),
    ENUM_SETTING("FormPosition", FormPosition, TPosition, poOwnerFormCenter),
    BOOL_SETTING("FormCanMove", FormCanMove),
    BOOL_SETTING("FormCanResize", FormCanResize),
    ENUM_SETTING("FormWindowState", FormWindowState, TplPrevFormWindowState, fwFullScreen),
    BOOL_SETTING("FormStatusBar", FormStatusBar),
    STRING_SETTING("StatusBarText", StatusBarText),
    INT_SETTING("FormColor", FormColor, D.FormColor = TColor),
    INT_SETTING("PaperColor", PaperColor, D.PaperColor = TColor),
    BOOL_SETTING("ViewClip", ViewClip),
    INT_SETTING("PrintOffsetX", PrintOffsetX(), D.SetPrintOffsetX),
    INT_SETTING("PrintOffsetY", PrintOffsetY(), D.SetPrintOffsetY),
    ENUM_SETTING("ZoomType", ZoomType, TplPrevZoomType, ztOther),
    TStoredSetting{"InversePrint",
                   [](const TCustomplPrev& D, TStreamWriter& W) { W.WriteInteger(D.InversePrint() ? 1 : 0); },
                   [](TCustomplPrev& D, TStreamReader& R) { D.SetInversePrint(WholeInteger(R, 0, 1) != 0); }},
    BOOL_SETTING("ImageDrag", ImageDrag),
    BOOL_SETTING("ImageShade", ImageShade),
};

#undef INT_SETTING
#undef BOOL_SETTING
#undef ENUM_SETTING
#undef STRING_SETTING

const QString kDesignPaperValue = QStringLiteral("DesignPaperValue");
const QString kPrinterData = QStringLiteral("PrinterData");

} // namespace

void TCustomplPrev::WriteDesignPaperValue(TStreamWriter& W, int Orientation) const
{
    TDesignPaperValue v;
    v.FPrinterName = FPrinterName;
    v.FPaperName = FPaperName;
    v.FBinName = FBinName;
    v.FPaperWidth = FPaperWidth;
    v.FPaperHeight = FPaperHeight;
    v.FXResolution = FXResolution;
    v.FYResolution = FYResolution;
    v.FOrientation = FOrientation;
    v.FLeftOffset = FLeftOffset;
    v.FRightOffset = FRightOffset;
    v.FTopOffset = FTopOffset;
    v.FBottomOffset = FBottomOffset;
    v.FPaperNumber = FPaperNumber;
    ::WriteDesignPaperValue(W, v, Orientation);
}

void TCustomplPrev::ReadDesignPaperValue(TStreamReader& R)
{
    // Field by field, so that a fault keeps the values before it.
    R.ReadListBegin();
    FPrinterName = R.ReadString();
    FPaperName = R.ReadString();
    FBinName = R.ReadString();
    for (int* field : {&FPaperWidth, &FPaperHeight, &FXResolution, &FYResolution, &FOrientation, &FLeftOffset,
                       &FRightOffset, &FTopOffset, &FBottomOffset, &FPaperNumber})
        *field = R.ReadInteger();
    R.ReadListEnd();
    // The printable area of the design paper, for a document without a printer.
    FPageWidth = FRightOffset - FLeftOffset;
    FPageHeight = FBottomOffset - FTopOffset;
}

void TCustomplPrev::ReadPrinterData(TStreamReader& R)
{
    const QByteArray data = R.ReadBinary();
    if (data.isEmpty() || !FTempSetPrinter)
        return;
    try {
        FTempSetPrinter->ReadStream(data);
    } catch (const std::exception& e) {
        throw TStreamError(e.what());
    }
}

QByteArray TCustomplPrev::EncodeSettings(int Orientation, const QByteArray& PrinterData) const
{
    TComponentSettingsWriter w(QString::fromLatin1(metaObject()->className()), Name());
    for (const TStoredSetting& s : kStoredSettings)
        w.Write(QLatin1String(s.Name), [&](TStreamWriter& v) { s.Write(*this, v); });
    w.Write(kDesignPaperValue, [&](TStreamWriter& v) { WriteDesignPaperValue(v, Orientation); });
    w.WriteBinary(kPrinterData, PrinterData);
    return w.Finish();
}

QByteArray TCustomplPrev::WriteSettings()
{
    int orientation = 0;
    if (FplSetPrinter) {
        try {
            FPrinterName = FplSetPrinter->PrinterName();
            FPaperName = FplSetPrinter->PaperName();
            FBinName = FplSetPrinter->BinName();
            FPaperNumber = FplSetPrinter->PaperNumber();
            orientation = FplSetPrinter->Orientation() == poLandscape ? 1 : 0;
        } catch (const std::exception&) {
            // Written with the names as they are.
        }
    }
    QByteArray printerData;
    if (FTempSetPrinter)
        printerData = FTempSetPrinter->WriteStream();
    return EncodeSettings(orientation, printerData);
}

TComponentSettingsResult TCustomplPrev::ReadSettings(QByteArrayView Data)
{
    const auto handler = [this](const QString& name, TStreamReader& r) {
        if (name == kDesignPaperValue) {
            ReadDesignPaperValue(r);
            return true;
        }
        if (name == kPrinterData) {
            ReadPrinterData(r);
            return true;
        }
        for (const TStoredSetting& s : kStoredSettings) {
            if (name == QLatin1String(s.Name)) {
                s.Read(*this, r);
                return true;
            }
        }
        return false;
    };
    TComponentSettingsResult result;
    try {
        result = ReadComponentSettings(Data, QString::fromLatin1(metaObject()->className()), handler);
    } catch (const TStreamError&) {
        UpdatePaperValues();
        throw;
    }
    if (!result.ComponentName.isEmpty())
        SetName(result.ComponentName);
    UpdatePaperValues();
    return result;
}
