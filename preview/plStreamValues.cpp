#include "plStreamValues.h"

#include <limits>

namespace {

bool AllAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (uint8_t(c) >= 0x80)
            return false;
    return true;
}

} // namespace

TValueType StringKindFor(const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    if (utf8.size() < 2 * s.size()) {
        if (!AllAscii(utf8))
            return vaUTF8String;
        return utf8.size() < 256 ? vaString : vaLString;
    }
    return vaWString;
}

// ---------------------------------------------------------------------------

void TStreamWriter::WriteInt32Raw(int32_t v)
{
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        WriteByte(uint8_t(u >> (8 * i)));
}

void TStreamWriter::WriteInteger(int32_t v)
{
    if (v >= -128 && v <= 127) {
        WriteByte(vaInt8);
        WriteByte(uint8_t(int8_t(v)));
    } else if (v >= -32768 && v <= 32767) {
        const uint16_t u = uint16_t(int16_t(v));
        WriteByte(vaInt16);
        WriteByte(uint8_t(u));
        WriteByte(uint8_t(u >> 8));
    } else {
        WriteByte(vaInt32);
        WriteInt32Raw(v);
    }
}

void TStreamWriter::WriteString(const QString& s)
{
    const TValueType kind = StringKindFor(s);
    if (kind == vaWString) {
        if (s.size() > std::numeric_limits<int32_t>::max())
            throw TStreamError("string too long for the stream");
        WriteByte(vaWString);
        WriteInt32Raw(int32_t(s.size()));
        for (QChar c : s) {
            WriteByte(uint8_t(c.unicode()));
            WriteByte(uint8_t(c.unicode() >> 8));
        }
        return;
    }
    const QByteArray utf8 = s.toUtf8();
    WriteByte(kind);
    if (kind == vaString) {
        WriteByte(uint8_t(utf8.size()));
    } else {
        if (utf8.size() > std::numeric_limits<int32_t>::max())
            throw TStreamError("string too long for the stream");
        WriteInt32Raw(int32_t(utf8.size()));
    }
    WriteRaw(utf8);
}

void TStreamWriter::WriteBinary(QByteArrayView bytes)
{
    if (bytes.size() > std::numeric_limits<int32_t>::max())
        throw TStreamError("block too long for the stream");
    WriteByte(vaBinary);
    WriteInt32Raw(int32_t(bytes.size()));
    WriteRaw(bytes);
}

void TStreamWriter::WriteName(const QString& name)
{
    QByteArray utf8 = name.toUtf8();
    if (utf8.size() > 255) {
        qsizetype n = 255;
        // Back up over continuation bytes so that no character is cut in half.
        while (n > 0 && (uint8_t(utf8[n]) & 0xC0) == 0x80)
            --n;
        utf8.truncate(n);
    }
    WriteByte(uint8_t(utf8.size()));
    WriteRaw(utf8);
}

// ---------------------------------------------------------------------------

void TStreamReader::Need(qsizetype n) const
{
    if (n < 0 || n > Remaining())
        throw TStreamError(QStringLiteral("stream truncated: %1 bytes needed at offset %2, %3 left")
                               .arg(n)
                               .arg(FPos)
                               .arg(Remaining())
                               .toStdString());
}

uint8_t TStreamReader::ReadByte()
{
    Need(1);
    return uint8_t(FData[FPos++]);
}

uint8_t TStreamReader::PeekByte() const
{
    Need(1);
    return uint8_t(FData[FPos]);
}

QByteArray TStreamReader::ReadRaw(qsizetype n)
{
    Need(n);
    QByteArray out(FData.data() + FPos, n);
    FPos += n;
    return out;
}

void TStreamReader::Seek(qsizetype pos)
{
    if (pos < 0 || pos > FData.size())
        throw TStreamError(QStringLiteral("offset %1 outside the stream").arg(pos).toStdString());
    FPos = pos;
}

void TStreamReader::Skip(qsizetype n)
{
    Need(n);
    FPos += n;
}

uint32_t TStreamReader::ReadUInt32()
{
    Need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(FData[FPos + i])) << (8 * i);
    FPos += 4;
    return v;
}

void TStreamReader::ReadListBegin()
{
    const qsizetype at = FPos;
    if (ReadByte() != vaList)
        throw TStreamError(QStringLiteral("list expected at offset %1").arg(at).toStdString());
}

void TStreamReader::ReadListEnd()
{
    const qsizetype at = FPos;
    if (ReadByte() != vaNull)
        throw TStreamError(QStringLiteral("end of list expected at offset %1").arg(at).toStdString());
}

int32_t TStreamReader::ReadInteger()
{
    const qsizetype at = FPos;
    switch (ReadByte()) {
    case vaInt8: return int8_t(ReadByte());
    case vaInt16: {
        const uint16_t lo = ReadByte();
        const uint16_t hi = ReadByte();
        return int16_t(uint16_t(lo | (hi << 8)));
    }
    case vaInt32: return int32_t(ReadUInt32());
    default: throw TStreamError(QStringLiteral("integer expected at offset %1").arg(at).toStdString());
    }
}

QString TStreamReader::ReadString()
{
    const qsizetype at = FPos;
    switch (ReadByte()) {
    case vaString: {
        const qsizetype n = ReadByte();
        Need(n);
        const QString s = QString::fromLatin1(FData.data() + FPos, n);
        FPos += n;
        return s;
    }
    case vaLString:
    case vaUTF8String: {
        const bool utf8 = uint8_t(FData[at]) == vaUTF8String;
        const qsizetype n = ReadUInt32();
        Need(n);
        const QString s =
            utf8 ? QString::fromUtf8(FData.data() + FPos, n) : QString::fromLatin1(FData.data() + FPos, n);
        FPos += n;
        return s;
    }
    case vaWString: {
        const qsizetype count = ReadUInt32();
        if (count > Remaining() / 2)
            Need(2 * count); // throws with the sizes
        QString s(count, Qt::Uninitialized);
        QChar* out = s.data();
        for (qsizetype i = 0; i < count; ++i) {
            const uint16_t lo = uint8_t(FData[FPos + 2 * i]);
            const uint16_t hi = uint8_t(FData[FPos + 2 * i + 1]);
            out[i] = QChar(char16_t(lo | (hi << 8)));
        }
        FPos += 2 * count;
        return s;
    }
    default: throw TStreamError(QStringLiteral("string expected at offset %1").arg(at).toStdString());
    }
}

qsizetype TStreamReader::ReadBinaryLength()
{
    const qsizetype at = FPos;
    if (ReadByte() != vaBinary)
        throw TStreamError(QStringLiteral("block of bytes expected at offset %1").arg(at).toStdString());
    const qsizetype n = ReadUInt32();
    Need(n);
    return n;
}

QByteArray TStreamReader::ReadBinary()
{
    return ReadRaw(ReadBinaryLength());
}

QString TStreamReader::ReadName()
{
    const qsizetype n = ReadByte();
    Need(n);
    const QString s = QString::fromUtf8(FData.data() + FPos, n);
    FPos += n;
    return s;
}

void TStreamReader::SkipValue()
{
    // Iterative so that deeply nested lists in a hostile stream cannot
    // exhaust the call stack.
    qsizetype depth = 0;
    do {
        const qsizetype at = FPos;
        const uint8_t kind = PeekByte();
        switch (kind) {
        case vaNull:
            if (depth == 0)
                throw TStreamError(QStringLiteral("value expected at offset %1").arg(at).toStdString());
            ++FPos;
            --depth;
            break;
        case vaList:
            ++FPos;
            ++depth;
            break;
        case vaInt8:
        case vaInt16:
        case vaInt32: ReadInteger(); break;
        case vaString:
        case vaLString:
        case vaUTF8String:
        case vaWString: {
            ++FPos;
            qsizetype n;
            if (kind == vaString)
                n = ReadByte();
            else
                n = ReadUInt32();
            if (kind == vaWString) {
                if (n > Remaining() / 2)
                    Need(2 * n);
                n *= 2;
            }
            Skip(n);
            break;
        }
        case vaBinary: Skip(ReadBinaryLength()); break;
        default:
            throw TStreamError(QStringLiteral("unknown value kind 0x%1 at offset %2")
                                   .arg(kind, 2, 16, QLatin1Char('0'))
                                   .arg(at)
                                   .toStdString());
        }
    } while (depth > 0);
}

// ---------------------------------------------------------------------------

void WriteDesignPaperValue(TStreamWriter& w, const TDesignPaperValue& v, int orientation)
{
    w.WriteListBegin();
    w.WriteString(v.FPrinterName);
    w.WriteString(v.FPaperName);
    w.WriteString(v.FBinName);
    w.WriteInteger(v.FPaperWidth);
    w.WriteInteger(v.FPaperHeight);
    w.WriteInteger(v.FXResolution);
    w.WriteInteger(v.FYResolution);
    w.WriteInteger(orientation);
    w.WriteInteger(v.FLeftOffset);
    w.WriteInteger(v.FRightOffset);
    w.WriteInteger(v.FTopOffset);
    w.WriteInteger(v.FBottomOffset);
    w.WriteInteger(v.FPaperNumber);
    w.WriteListEnd();
}

bool ReadDesignPaperValue(TStreamReader& r, TDesignPaperValue& v)
{
    try {
        r.ReadListBegin();
        v.FPrinterName = r.ReadString();
        v.FPaperName = r.ReadString();
        v.FBinName = r.ReadString();
        for (int* field : {&v.FPaperWidth, &v.FPaperHeight, &v.FXResolution, &v.FYResolution, &v.FOrientation,
                           &v.FLeftOffset, &v.FRightOffset, &v.FTopOffset, &v.FBottomOffset, &v.FPaperNumber})
            *field = r.ReadInteger();
        r.ReadListEnd();
        return true;
    } catch (const TStreamError&) {
        return false;
    }
}
