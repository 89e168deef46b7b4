#pragma once

// Value encodings of the component stream ("TPF0"): lists, integers of three
// widths, four string kinds, byte blocks and length-prefixed names. All
// integers are little-endian. The reader checks every length against the
// bytes left and throws TStreamError on anything malformed; it never
// allocates more than the input holds.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <stdexcept>

class TStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Kind byte that starts every value.
enum TValueType : uint8_t {
    vaNull = 0x00, // end of a list
    vaList = 0x01,
    vaInt8 = 0x02,
    vaInt16 = 0x03,
    vaInt32 = 0x04,
    vaString = 0x06,     // short ASCII: length byte
    vaBinary = 0x0A,     // 32-bit length
    vaLString = 0x0C,    // long ASCII: 32-bit length
    vaWString = 0x12,    // 32-bit count of UTF-16LE code units
    vaUTF8String = 0x14, // 32-bit length
};

// The kind a string is written as: UTF-8 when that is shorter than its
// UTF-16 form (0x14 if any byte is 0x80 or above, else 0x06 below 256 bytes
// and 0x0C from 256), otherwise UTF-16 (the empty string included).
TValueType StringKindFor(const QString& s);

class TStreamWriter {
public:
    explicit TStreamWriter(QByteArray& out) : FOut(out) {}

    void WriteByte(uint8_t b) { FOut.append(char(b)); }
    void WriteRaw(QByteArrayView bytes) { FOut.append(bytes); }
    void WriteListBegin() { WriteByte(vaList); }
    void WriteListEnd() { WriteByte(vaNull); }
    // Smallest of the three widths that holds the value.
    void WriteInteger(int32_t v);
    void WriteString(const QString& s);
    void WriteBinary(QByteArrayView bytes);
    // One length byte, then at most 255 UTF-8 bytes (cut at a character boundary).
    void WriteName(const QString& name);

private:
    void WriteInt32Raw(int32_t v);
    QByteArray& FOut;
};

class TStreamReader {
public:
    explicit TStreamReader(QByteArrayView data) : FData(data) {}

    qsizetype Position() const { return FPos; }
    // Moves to an offset between 0 and the end of the data.
    void Seek(qsizetype pos);
    qsizetype Remaining() const { return FData.size() - FPos; }
    bool AtEnd() const { return FPos >= FData.size(); }

    uint8_t ReadByte();
    uint8_t PeekByte() const;
    QByteArray ReadRaw(qsizetype n);
    void Skip(qsizetype n);
    // True when the next byte ends a list (the byte is not consumed).
    bool EndOfList() const { return PeekByte() == vaNull; }

    void ReadListBegin();
    void ReadListEnd();
    // Accepts 0x02, 0x03 and 0x04.
    int32_t ReadInteger();
    // Accepts 0x06, 0x0C, 0x12 and 0x14. The ASCII kinds take bytes above
    // 0x7F as Latin-1.
    QString ReadString();
    // The length of a 0x0A block, checked against the bytes left; the block's
    // bytes follow and are read with ReadRaw or passed over with Skip.
    qsizetype ReadBinaryLength();
    QByteArray ReadBinary();
    QString ReadName();
    // Passes over one complete value of any kind (lists nested to any depth).
    void SkipValue();

private:
    uint32_t ReadUInt32();
    void Need(qsizetype n) const;
    QByteArrayView FData;
    qsizetype FPos = 0;
};

// Design-time paper geometry of a document, stored as a list of thirteen
// values. Lengths in paper units (0.1 mm), resolutions in dots per inch.
struct TDesignPaperValue {
    QString FPrinterName;
    QString FPaperName;
    QString FBinName;
    int FPaperWidth = 0;
    int FPaperHeight = 0;
    int FXResolution = 0;
    int FYResolution = 0;
    int FOrientation = 0;
    int FLeftOffset = 0;
    int FRightOffset = 0;
    int FTopOffset = 0;
    int FBottomOffset = 0;
    int FPaperNumber = 0;
};

// Writes the list with `orientation` (0 portrait, 1 landscape) in place of
// v.FOrientation: the document passes the orientation of its printer
// settings without changing its own field.
void WriteDesignPaperValue(TStreamWriter& w, const TDesignPaperValue& v, int orientation);
// Reads the list into v. A malformed list is ignored: the values read before
// the fault stay, and false is returned (the reader may be left inside the list).
bool ReadDesignPaperValue(TStreamReader& r, TDesignPaperValue& v);
