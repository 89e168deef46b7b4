#include "SpoolerOutput.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>

namespace SpoolerOutput {

namespace {

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

} // namespace

QString Dir()
{
    return QStringLiteral(MIRVAK_TEST_CUPS_DIR "/out");
}

QString WaitForJob(const QString& queue, int jobId, int timeoutMs)
{
    const QString path = QStringLiteral("%1/%2-%3.pdf").arg(Dir(), queue).arg(jobId);
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(path)) {
        if (t.elapsed() > timeoutMs)
            return {};
        QThread::msleep(50);
    }
    return path;
}

QMap<QString, QString> JobOptions(const QString& queue, int jobId)
{
    QMap<QString, QString> map;
    QFile f(QStringLiteral("%1/%2-%3.opts").arg(Dir(), queue).arg(jobId));
    if (!f.open(QIODevice::ReadOnly))
        return map;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key != QLatin1String("options")) {
            map.insert(key, value);
            continue;
        }
        // name=value pairs separated by blanks; values may be quoted or braced.
        static const QRegularExpression option(QStringLiteral("([^\\s=]+)=(\\{[^}]*\\}\\}?|'[^']*'|\"[^\"]*\"|\\S*)"));
        for (auto it = option.globalMatch(value); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            map.insert(m.captured(1), m.captured(2));
        }
    }
    return map;
}

TPdfInfo Info(const QString& pdf)
{
    TPdfInfo info;
    const QString out = QString::fromUtf8(
        run(QStringLiteral("pdfinfo"),
            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("9999"), pdf}));
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    static const QRegularExpression size(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression title(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption);
    info.Pages = pages.match(out).captured(1).toInt();
    info.Title = title.match(out).captured(1).trimmed();
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        info.PageSizes.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return info;
}

QList<TWord> Words(const QString& pdf)
{
    QList<TWord> words;
    const QString out =
        QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    int page = 0;
    for (auto it = word.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        TWord w;
        w.Page = page;
        w.Text = m.captured(5);
        w.Box = QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                       QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        words.append(w);
    }
    return words;
}

QString PageText(const QString& pdf, int page)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                                  QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")}));
}

QImage Render(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png"));
}

QStringList ImageEncodings(const QString& pdf)
{
    // pdfimages -list: two heading lines, then one line per picture with
    // the encoding in the ninth column.
    const QStringList lines =
        QString::fromUtf8(run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})).split(QLatin1Char('\n'));
    QStringList out;
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() > 8)
            out << cols[8];
    }
    return out;
}

QMap<int, int> JobStates(const QString& queue, const QString& server)
{
    QMap<int, int> states;
    const QByteArray host = (server.isEmpty() ? QStringLiteral(MIRVAK_TEST_CUPS_DIR "/cups.sock") : server).toUtf8();
    http_t* http = httpConnect2(host.constData(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (!http)
        return states;
    cups_job_t* jobs = nullptr;
    const QByteArray q = queue.toUtf8();
    const int n = cupsGetJobs2(http, &jobs, q.constData(), 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < n; ++i)
        states.insert(jobs[i].id, int(jobs[i].state));
    cupsFreeJobs(n, jobs);
    httpClose(http);
    return states;
}

namespace {

bool runSpoolerScript(const QString& command, const QString& dir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("bash"), {QStringLiteral(MIRVAK_TEST_DATA_DIR "/../cups/cupsd.sh"), command, dir});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TOwnSpooler::TOwnSpooler()
{
    // Short, for the local socket's name, and open to the spooler's job user.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/mirvak-spool-XXXXXX"));
    dir.setAutoRemove(false);
    FDir = dir.path();
    QFile::setPermissions(FDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                              | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                              | QFileDevice::ExeOther);
}

TOwnSpooler::~TOwnSpooler()
{
    Stop();
    QDir(FDir).removeRecursively();
}

bool TOwnSpooler::Start()
{
    return runSpoolerScript(QStringLiteral("start"), FDir);
}

bool TOwnSpooler::Stop()
{
    return runSpoolerScript(QStringLiteral("stop"), FDir);
}

QString TOwnSpooler::Socket() const
{
    return FDir + QStringLiteral("/cups.sock");
}

QString TOwnSpooler::Out() const
{
    return FDir + QStringLiteral("/out");
}

} // namespace SpoolerOutput
