#include "plPrinterStream.h"

namespace {

const char kSignature[] = "TPF0";
const char kClassName[] = "TplSetPrinter";

void ReadDesignValue(TStreamReader& r, TPrinterStreamValues& v)
{
    const qsizetype start = r.Position();
    try {
        r.ReadListBegin();
        v.FPrinterName = r.ReadString();
        const int32_t orientation = r.ReadInteger();
        v.FPaperName = r.ReadString();
        v.FPaperNumber = r.ReadInteger();
        v.FBinNumber = r.ReadInteger();
        v.FDriverVersion = r.ReadInteger();
        r.ReadListEnd();
        v.FOrientation = uint8_t(orientation);
        v.FdsPrinterName = v.FPrinterName;
    } catch (const TStreamError&) {
        // Keep what was read; continue after the value when it is whole,
        // otherwise the stream itself is malformed and SkipValue says so.
        r.Seek(start);
        r.SkipValue();
    }
}

} // namespace

QByteArray WritePrinterStream(const TPrinterStreamValues& v)
{
    QByteArray out;
    out.reserve(v.Settings.size() + 256);
    TStreamWriter w(out);
    w.WriteRaw(kSignature);
    w.WriteName(kClassName);
    w.WriteName(v.Name);
    if (!v.PrinterName.isEmpty()) {
        w.WriteName("PrinterName");
        w.WriteString(v.PrinterName);
    }
    w.WriteName("DevDataSize");
    w.WriteInteger(v.DevSize);
    w.WriteName("ADevData");
    w.WriteBinary(v.Settings);
    w.WriteName("DesignValue");
    w.WriteListBegin();
    w.WriteString(v.FPrinterName);
    w.WriteInteger(v.FOrientation);
    w.WriteString(v.FPaperName);
    w.WriteInteger(v.FPaperNumber);
    w.WriteInteger(v.FBinNumber);
    w.WriteInteger(v.FDriverVersion);
    w.WriteListEnd();
    w.WriteListEnd(); // end of properties
    w.WriteListEnd(); // end of child components
    return out;
}

void ReadPrinterStream(QByteArrayView data, TPrinterStreamValues& v, const TPrinterNameWrite& writePrinterName)
{
    TStreamReader r(data);
    if (r.Remaining() < 4 || r.ReadRaw(4) != kSignature)
        throw TStreamError("not a component stream (signature TPF0 missing)");
    r.ReadName(); // class name
    v.Name = r.ReadName();

    while (!r.EndOfList()) {
        const qsizetype at = r.Position();
        const QString property = r.ReadName();
        if (property == QLatin1String("PrinterName")) {
            v.PrinterName = r.ReadString();
            v.FPrinterName = writePrinterName ? writePrinterName(v.PrinterName) : v.PrinterName;
        } else if (property == QLatin1String("DevDataSize")) {
            const qsizetype start = r.Position();
            try {
                v.DevSize = r.ReadInteger();
            } catch (const TStreamError&) {
                v.DevSize = 0;
                r.Seek(start);
                r.SkipValue();
            }
        } else if (property == QLatin1String("ADevData")) {
            v.Settings.clear();
            const qsizetype n = r.ReadBinaryLength();
            if (n == v.DevSize) {
                v.Settings = r.ReadRaw(n);
            } else {
                r.Skip(n);
                v.DevSize = 0;
            }
        } else if (property == QLatin1String("DesignValue")) {
            ReadDesignValue(r, v);
        } else {
            throw TStreamError(
                QStringLiteral("unknown property \"%1\" at offset %2").arg(property).arg(at).toStdString());
        }
    }
    r.ReadListEnd(); // end of properties
    if (r.ReadByte() != vaNull)
        throw TStreamError("child components are not supported in a printer-settings stream");
    if (!r.AtEnd())
        throw TStreamError(QStringLiteral("%1 bytes after the end of the stream").arg(r.Remaining()).toStdString());
}

QString PrinterStreamToText(const QByteArray& stream)
{
    return QString::fromLatin1(stream.toBase64());
}

QByteArray PrinterStreamFromText(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0x7F)
            return {};
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}
