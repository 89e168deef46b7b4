#include "plComponentSettings.h"

#include <limits>

namespace {

constexpr char kSignature[4] = {'M', 'V', 'K', 'C'};

void PutUInt32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char(uint8_t(v >> (8 * i))));
}

QString Quoted(const QString& s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

TComponentSettingsWriter::TComponentSettingsWriter(const QString& className, const QString& componentName)
{
    FOut.append(kSignature, sizeof kSignature);
    FOut.append(char(kComponentSettingsVersion));
    TStreamWriter w(FOut);
    w.WriteName(className);
    w.WriteName(componentName);
}

void TComponentSettingsWriter::Write(const QString& name, const std::function<void(TStreamWriter&)>& value)
{
    if (name.isEmpty() || name.toUtf8().size() > 255)
        throw TStreamError("a setting's name must have 1 to 255 bytes");
    QByteArray bytes;
    TStreamWriter v(bytes);
    value(v);
    if (bytes.isEmpty())
        throw TStreamError(QStringLiteral("setting %1 has no value").arg(name).toStdString());
    if (bytes.size() > kMaxComponentSettings)
        throw TStreamError(QStringLiteral("setting %1 is too large").arg(name).toStdString());
    TStreamWriter(FOut).WriteName(name);
    PutUInt32(FOut, uint32_t(bytes.size()));
    FOut.append(bytes);
}

void TComponentSettingsWriter::WriteInteger(const QString& name, int32_t v)
{
    Write(name, [v](TStreamWriter& w) { w.WriteInteger(v); });
}

void TComponentSettingsWriter::WriteString(const QString& name, const QString& v)
{
    Write(name, [&v](TStreamWriter& w) { w.WriteString(v); });
}

void TComponentSettingsWriter::WriteBinary(const QString& name, QByteArrayView v)
{
    Write(name, [v](TStreamWriter& w) { w.WriteBinary(v); });
}

QByteArray TComponentSettingsWriter::Finish()
{
    QByteArray out = FOut;
    out.append('\0');
    if (out.size() > kMaxComponentSettings)
        throw TStreamError("the settings are larger than stored settings may be");
    return out;
}

// ---------------------------------------------------------------------------

TComponentSettingsResult ReadComponentSettings(QByteArrayView data, const QString& className,
                                               const TComponentSettingsHandler& handler)
{
    if (data.size() > kMaxComponentSettings)
        throw TStreamError(QStringLiteral("stored settings of %1 bytes are over the limit of %2")
                               .arg(data.size())
                               .arg(kMaxComponentSettings)
                               .toStdString());
    TStreamReader r(data);
    if (r.Remaining() < qsizetype(sizeof kSignature)
        || QByteArrayView(data.first(sizeof kSignature)) != QByteArrayView(kSignature, sizeof kSignature))
        throw TStreamError("not stored component settings (no signature)");
    r.Skip(sizeof kSignature);
    const uint8_t version = r.ReadByte();
    if (version != kComponentSettingsVersion)
        throw TStreamError(QStringLiteral("stored settings of version %1; this program reads version %2")
                               .arg(version)
                               .arg(kComponentSettingsVersion)
                               .toStdString());
    TComponentSettingsResult result;
    result.ClassName = r.ReadName();
    if (!className.isEmpty() && result.ClassName != className)
        throw TStreamError(
            QStringLiteral("stored settings of a %1, not of a %2").arg(result.ClassName, className).toStdString());
    result.ComponentName = r.ReadName();

    for (;;) {
        const qsizetype at = r.Position();
        const QString name = r.ReadName();
        if (name.isEmpty())
            break;
        qsizetype length = 0;
        for (int i = 0; i < 4; ++i)
            length |= qsizetype(r.ReadByte()) << (8 * i);
        if (length == 0 || length > r.Remaining())
            throw TStreamError(QStringLiteral("setting %1 at offset %2: value of %3 bytes, %4 left")
                                   .arg(Quoted(name))
                                   .arg(at)
                                   .arg(length)
                                   .arg(r.Remaining())
                                   .toStdString());
        const qsizetype start = r.Position();
        r.Skip(length);
        TStreamReader value(data.sliced(start, length));
        ++result.Records;
        try {
            if (!handler(name, value))
                ++result.Unknown;
            else if (!value.AtEnd())
                ++result.Malformed;
        } catch (const TStreamError&) {
            ++result.Malformed;
        }
    }
    if (!r.AtEnd())
        throw TStreamError(
            QStringLiteral("%1 bytes after the end of the stored settings").arg(r.Remaining()).toStdString());
    return result;
}
