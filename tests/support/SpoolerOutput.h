#pragma once

// What the private test spooler (tests/cups/cupsd.sh) printed: each job lands
// as <queue>-<job id>.pdf in its out/ folder, with the job's options beside
// it. Read with poppler-utils.

#include <QImage>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace SpoolerOutput {

QString Dir();
// Waits until the job's output is complete; its path, or empty after the timeout.
QString WaitForJob(const QString& queue, int jobId, int timeoutMs = 30000);
// The job's title, copies and every option of the spooler's option string.
QMap<QString, QString> JobOptions(const QString& queue, int jobId);

struct TPdfInfo {
    int Pages = 0;
    QList<QSizeF> PageSizes; // points
    QString Title;
};
TPdfInfo Info(const QString& pdf);

struct TWord {
    int Page = 0; // from 1
    QString Text;
    QRectF Box; // points, from the page's top-left corner
};
QList<TWord> Words(const QString& pdf);

// One page's text, laid out as it stands on the page.
QString PageText(const QString& pdf, int page);

// One page rendered at the given resolution.
QImage Render(const QString& pdf, int page, int dpi);

// The encoding of every picture in the file ("image", "jpeg", "jbig2", ...).
QStringList ImageEncodings(const QString& pdf);

// Every job the spooler keeps for a queue, finished ones included: job id to
// its state (3 pending ... 7 cancelled, 9 completed). server: a socket path;
// empty means the private spooler of the whole run.
QMap<int, int> JobStates(const QString& queue, const QString& server = QString());

// A private spooler of one test's own (tests/cups/cupsd.sh in a folder of its
// own), for tests that stop and start it while the run's spooler keeps going.
class TOwnSpooler {
public:
    TOwnSpooler();
    ~TOwnSpooler();
    bool Start();
    bool Stop();
    QString Socket() const;
    QString Out() const; // where its jobs land

private:
    QString FDir;
};

} // namespace SpoolerOutput
