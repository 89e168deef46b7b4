#pragma once

// Stored settings of one component: what a window keeps of the components it
// owns and gives back to them when it is created.
//
// Layout (integers little-endian):
//   "MVKC"            signature
//   version           one byte, kComponentSettingsVersion
//   class name        one length byte, then UTF-8 (at most 255 bytes)
//   component name    the same; empty for an unnamed component
//   records, each:    name (one length byte 1..255, then UTF-8),
//                     32-bit length of the value,
//                     the value: exactly one value in the component stream's
//                     encoding (integer, string, list, block of bytes, ...)
//   end               one byte 0 (a record name cannot be empty)
//
// Every record carries its length, so a reader passes over a record it does
// not know or cannot read and goes on with the next one: records added later
// do not need a new version, and a damaged value costs only itself. The
// version changes only when this framing changes; a reader refuses versions
// it does not know. The whole container is limited to kMaxComponentSettings
// bytes.

#include "plStreamValues.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>

constexpr uint8_t kComponentSettingsVersion = 1;
constexpr qsizetype kMaxComponentSettings = 16 * 1024 * 1024;

class TComponentSettingsWriter {
public:
    TComponentSettingsWriter(const QString& className, const QString& componentName);

    // One record; value writes exactly one value.
    void Write(const QString& name, const std::function<void(TStreamWriter&)>& value);
    void WriteInteger(const QString& name, int32_t v);
    void WriteBoolean(const QString& name, bool v) { WriteInteger(name, v ? 1 : 0); }
    void WriteString(const QString& name, const QString& v);
    void WriteBinary(const QString& name, QByteArrayView v);

    // The container, ended. Throws TStreamError when it outgrew the limit.
    QByteArray Finish();

private:
    QByteArray FOut;
};

// How the reading of a container went.
struct TComponentSettingsResult {
    QString ClassName;
    QString ComponentName;
    int Records = 0;   // records handed to the handler
    int Unknown = 0;   // of those, names the handler does not know
    int Malformed = 0; // of those, values the handler could not read
};

// Receives one record and returns whether it knows the name. value covers
// exactly the record's value; a handler that meets a value it cannot read
// throws TStreamError, and reading goes on with the next record (what the
// handler took before the fault stays). A known record whose value the
// handler does not read to its end counts as malformed too.
using TComponentSettingsHandler = std::function<bool(const QString& name, TStreamReader& value)>;

// Reads a container written for a component of class className. Throws
// TStreamError with the reason when the data is not one, has a version this
// program does not know, belongs to another class, is over the limit, or is
// cut short or damaged in its framing; the records read before a fault in
// the framing have been handed over by then.
TComponentSettingsResult ReadComponentSettings(QByteArrayView data, const QString& className,
                                               const TComponentSettingsHandler& handler);
