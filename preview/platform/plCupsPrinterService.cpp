#include "plCupsPrinterService.h"

#include <QElapsedTimer>

#include "plDevMode.h"
#include "plPaperTable.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QSize>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

// Connect within this time, or there is no server (milliseconds).
constexpr int kConnectTimeout = 1500;
// Silence within a request after which a server counts as not answering
// (seconds): questions about printers get the service's query timeout (a
// second unless given; a working server answers them at once, so a short
// wait keeps a server that accepts connections but never answers from
// freezing the program); sending a job's document may make the server pause
// for longer.
constexpr double kJobTimeout = 10.0;
// How often a listing worker looks whether it is to stop (seconds).
constexpr double kStopStep = 0.1;
// A server that did not answer (or took long to refuse a connection) is not
// asked again for this long (milliseconds); until then it has no printers.
constexpr qint64 kRememberUnansweredMs = 15000;
// A connection refused within this time is an absent server, not a hung one.
constexpr qint64 kSlowConnectMs = 250;

qint64 Now()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

[[noreturn]] void fail(const QString& what)
{
    QString message = what;
    const char* reason = cupsLastErrorString();
    if (reason && *reason)
        message += QStringLiteral(" (") + QString::fromUtf8(reason) + QLatin1Char(')');
    throw std::runtime_error(message.toStdString());
}

QString attrString(ipp_attribute_t* a, int i)
{
    switch (ippGetValueTag(a)) {
    case IPP_TAG_INTEGER:
    case IPP_TAG_ENUM: return QString::number(ippGetInteger(a, i));
    case IPP_TAG_BOOLEAN: return ippGetBoolean(a, i) ? QStringLiteral("true") : QStringLiteral("false");
    case IPP_TAG_KEYWORD:
    case IPP_TAG_NAME:
    case IPP_TAG_NAMELANG:
    case IPP_TAG_TEXT:
    case IPP_TAG_TEXTLANG: return text(ippGetString(a, i, nullptr));
    default: return {};
    }
}

QStringList attrStrings(ipp_attribute_t* a)
{
    QStringList list;
    for (int i = 0; a && i < ippGetCount(a); ++i) {
        const QString s = attrString(a, i);
        if (!s.isEmpty())
            list.append(s);
    }
    return list;
}

// CUPS's own localisation fetches the printer's strings from the address the
// server names itself by, which need not be reachable from here (a server on
// a local socket calls itself localhost); these stand in where the printer's
// strings have no entry.

// "Postcard (100 x 150 mm)" for "om_postcard_100x150mm".
QString mediaName(const QString& media, int width, int length)
{
    auto mm = [](int hundredths) { return QString::number(hundredths / 100.0, 'g', 5); };
    QString name = media.section(QLatin1Char('_'), 1, 1);
    name.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    const QString size = QStringLiteral("%1 x %2 mm").arg(mm(width), mm(length));
    return name.isEmpty() ? size : QStringLiteral("%1 (%2)").arg(name, size);
}

// "Number up" for "number-up".
QString keywordLabel(const QString& keyword)
{
    QString s = keyword;
    s.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

// "key" = "value"; lines of a printer's strings file.
QHash<QString, QString> parseStrings(const QByteArray& data)
{
    QHash<QString, QString> map;
    auto quoted = [&](int& i, QString& out) {
        while (i < data.size() && data[i] != '"')
            ++i;
        if (i >= data.size())
            return false;
        QByteArray s;
        for (++i; i < data.size() && data[i] != '"'; ++i) {
            if (data[i] == '\\' && i + 1 < data.size()) {
                ++i;
                s.append(data[i] == 'n' ? '\n' : data[i]);
            } else {
                s.append(data[i]);
            }
        }
        if (i >= data.size())
            return false;
        ++i;
        out = QString::fromUtf8(s);
        return true;
    };
    for (int i = 0; i < data.size();) {
        QString key, value;
        const int start = i;
        if (!quoted(i, key))
            break;
        // Only "key" = "value" on one statement counts.
        int j = i;
        while (j < data.size() && (data[j] == ' ' || data[j] == '\t'))
            ++j;
        if (j < data.size() && data[j] == '=') {
            i = j + 1;
            if (!quoted(i, value))
                break;
            map.insert(key, value);
        }
        if (i <= start)
            break;
    }
    return map;
}

// Owners of what libcups hands out, so that every path frees it.
struct THttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using THttp = std::unique_ptr<http_t, THttpClose>;

struct TDestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using TDestInfo = std::unique_ptr<cups_dinfo_t, TDestInfoFree>;

// A destination array with its count, as cupsGetDests2 and cupsGetNamedDest
// give it.
class TDestArray {
public:
    TDestArray() = default;
    ~TDestArray() { Reset(); }
    TDestArray(const TDestArray&) = delete;
    TDestArray& operator=(const TDestArray&) = delete;

    // Takes count destinations at dests, freeing those held before.
    void Reset(int count = 0, cups_dest_t* dests = nullptr)
    {
        if (FDests)
            cupsFreeDests(FCount, FDests);
        FCount = count;
        FDests = dests;
    }
    int Count() const { return FDests ? FCount : 0; }
    cups_dest_t* Get() const { return FDests; }
    cups_dest_t& operator[](int i) const { return FDests[i]; }

private:
    int FCount = 0;
    cups_dest_t* FDests = nullptr;
};

// Job options as cupsAddOption builds them.
class TJobOptionList {
public:
    TJobOptionList() = default;
    ~TJobOptionList() { cupsFreeOptions(FCount, FOptions); }
    TJobOptionList(const TJobOptionList&) = delete;
    TJobOptionList& operator=(const TJobOptionList&) = delete;

    // An empty value is never sent.
    void Add(const char* name, const QString& value)
    {
        if (!value.isEmpty())
            FCount = cupsAddOption(name, value.toUtf8().constData(), FCount, &FOptions);
    }
    int Count() const { return FCount; }
    cups_option_t* Get() const { return FOptions; }

private:
    int FCount = 0;
    cups_option_t* FOptions = nullptr;
};

} // namespace

// One connection to the server and the destination list fetched through it.
struct TCupsPrinterService::Session {
    // Declared first, so that it closes after the destinations are freed.
    THttp http;
    TDestArray dests;
    bool listed = false;
    bool listOk = true;
    TDestArray named;
    // Where the service remembers when its server last left a request
    // unanswered; set when this session's request timed out.
    qint64* unansweredAt = nullptr;
    bool timedOut = false;
    // A listing worker's session: stop asks it to give up.
    const std::atomic<bool>* stop = nullptr;
    double replyTimeout = 0;
    qint64 silentSince = -1, lastSilence = -1;

    // offline: make no connection (the service is not to ask the server now).
    Session(const QString& server, qint64* unanswered, double reply, bool offline = false,
            const std::atomic<bool>* stopFlag = nullptr)
        : unansweredAt(unanswered), stop(stopFlag), replyTimeout(reply)
    {
        if (offline || (*unansweredAt >= 0 && Now() - *unansweredAt < kRememberUnansweredMs))
            return;
        QByteArray host;
        int port = ippPort();
        if (server.isEmpty()) {
            host = cupsServer();
        } else if (server.startsWith(QLatin1Char('/'))) {
            host = server.toUtf8();
        } else {
            host = server.toUtf8();
            const int colon = host.lastIndexOf(':');
            if (colon > 0 && !host.contains(']') && host.indexOf(':') == colon) {
                port = host.mid(colon + 1).toInt();
                host.truncate(colon);
            }
        }
        const qint64 started = Now();
        http.reset(
            httpConnect2(host.constData(), port, nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeout, nullptr));
        if (!http) {
            if (Now() - started >= kSlowConnectMs)
                *unansweredAt = Now();
            return;
        }
        if (!stop) {
            httpSetTimeout(
                http.get(), replyTimeout,
                [](http_t*, void* self) {
                    static_cast<Session*>(self)->timedOut = true;
                    return 0; // give up the request
                },
                this);
            return;
        }
        // In short steps, so that a stop is seen soon: the server has been
        // silent since the first of a run of steps that follow one another.
        httpSetTimeout(
            http.get(), std::min(replyTimeout, kStopStep),
            [](http_t*, void* self) {
                auto* s = static_cast<Session*>(self);
                const qint64 now = Now();
                const qint64 step = qint64(std::min(s->replyTimeout, kStopStep) * 1000);
                if (s->lastSilence < 0 || now - s->lastSilence > step + step / 2)
                    s->silentSince = now - step;
                s->lastSilence = now;
                if (s->stop->load() || now - s->silentSince >= qint64(s->replyTimeout * 1000)) {
                    s->timedOut = true;
                    return 0;
                }
                return 1; // wait on
            },
            this);
    }
    ~Session()
    {
        if (timedOut)
            *unansweredAt = Now();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void List()
    {
        if (listed || !http)
            return;
        listed = true;
        // The list takes several requests, each of which would wait for a
        // server that never answers; one cheap question first finds out.
        ippDelete(cupsDoRequest(http.get(), ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
        if (timedOut)
            return;
        cups_dest_t* list = nullptr;
        const int count = cupsGetDests2(http.get(), &list);
        dests.Reset(std::max(count, 0), list);
        if (count <= 0) {
            const ipp_status_t st = cupsLastError();
            listOk = st <= IPP_STATUS_OK_EVENTS_COMPLETE || st == IPP_STATUS_ERROR_NOT_FOUND;
        }
    }

    static QString Queue(const cups_dest_t& d)
    {
        QString q = text(d.name);
        if (d.instance)
            q += QLatin1Char('/') + text(d.instance);
        return q;
    }

    QList<TPrinterEntry> Entries()
    {
        List();
        QList<TPrinterEntry> list;
        QHash<QString, int> uses;
        for (int i = 0; i < dests.Count(); ++i) {
            const cups_dest_t& d = dests[i];
            TPrinterEntry e;
            e.Port = Queue(d);
            e.Name = text(cupsGetOption("printer-info", d.num_options, d.options)).trimmed();
            if (e.Name.isEmpty())
                e.Name = e.Port;
            else if (d.instance)
                e.Name += QLatin1Char('/') + text(d.instance);
            e.Driver = text(cupsGetOption("printer-make-and-model", d.num_options, d.options));
            e.Hidden =
                text(cupsGetOption("printer-is-accepting-jobs", d.num_options, d.options)) == QLatin1String("false");
            e.IsDefault = d.is_default != 0;
            ++uses[e.Name];
            list.append(e);
        }
        // A description that two queues share cannot name one of them.
        for (TPrinterEntry& e : list)
            if (uses.value(e.Name) > 1)
                e.Name = e.Port;
        return list;
    }

    // The destination listed under that name, or with that queue name.
    // queues maps names to queue names as last listed and is refreshed when
    // the printer has to be looked up in the whole list.
    cups_dest_t* Find(const QString& printer, TPrinterEntry* entry, QHash<QString, QString>& queues)
    {
        if (!http)
            return nullptr;
        const QString queue = queues.value(printer);
        if (!queue.isEmpty()) {
            const int slash = queue.indexOf(QLatin1Char('/'));
            const QByteArray name = queue.left(slash).toUtf8();
            const QByteArray instance = slash < 0 ? QByteArray() : queue.mid(slash + 1).toUtf8();
            named.Reset(1, cupsGetNamedDest(http.get(), name.constData(), slash < 0 ? nullptr : instance.constData()));
            if (cups_dest_t* d = named.Get()) {
                QString info = text(cupsGetOption("printer-info", d->num_options, d->options)).trimmed();
                if (!info.isEmpty() && d->instance)
                    info += QLatin1Char('/') + text(d->instance);
                if (Queue(*d) == queue && (info == printer || queue == printer)) {
                    entry->Name = printer;
                    entry->Port = queue;
                    entry->Driver = text(cupsGetOption("printer-make-and-model", d->num_options, d->options));
                    return d;
                }
            }
        }
        const QList<TPrinterEntry> list = Entries();
        queues.clear();
        for (const TPrinterEntry& e : list)
            queues.insert(e.Name, e.Port);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < list.size(); ++i) {
                if ((pass == 0 ? list[i].Name : list[i].Port) == printer) {
                    *entry = list[i];
                    return &dests[i];
                }
            }
        }
        return nullptr;
    }

    // The printer's own localisation strings, if the server keeps a strings
    // file for it (cupsd makes one from the printer's driver). Fetched through
    // our own connection: the address the server gives for it is its view of
    // itself, not necessarily reachable from here.
    QHash<QString, QString> Strings(const QString& queue)
    {
        QTemporaryFile file;
        if (!file.open())
            return {};
        const QByteArray resource = "/strings/" + queue.section(QLatin1Char('/'), 0, 0).toUtf8() + ".strings";
        if (cupsGetFd(http.get(), resource.constData(), file.handle()) != HTTP_STATUS_OK)
            return {};
        file.seek(0);
        return parseStrings(file.readAll());
    }
};

TCupsPrinterService::TCupsPrinterService(QString server, QString formsFile, double queryTimeout)
    : FServer(std::move(server)), FQueryTimeout(queryTimeout), FForms(std::move(formsFile))
{
}

namespace {

constexpr qint64 kKeepMs = 1000;

} // namespace

struct TCupsPrinterService::TListing {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    std::atomic<bool> stop{false};
    // The result, once done.
    QList<TPrinterEntry> list;
    bool ok = true;
    qint64 at = 0;
    qint64 unansweredAt = -1;
};

TCupsPrinterService::~TCupsPrinterService()
{
    StopListing();
}

void TCupsPrinterService::StopListing()
{
    if (!FListing)
        return;
    // Under the lock: a callback that is running ends first, and none starts
    // after this.
    std::lock_guard lock(FListing->lock);
    FListing->stop = true;
}

bool TCupsPrinterService::StartListing(std::function<void()> listed)
{
    if (StillListing())
        return true;
    auto state = std::make_shared<TListing>();
    state->unansweredAt = FUnansweredAt;
    auto work = [state, server = FServer, timeout = FQueryTimeout, listed = std::move(listed)] {
        qint64 unanswered = state->unansweredAt;
        QList<TPrinterEntry> list;
        bool ok = true, reached = false;
        {
            Session s(server, &unanswered, timeout, false, &state->stop);
            list = s.Entries();
            ok = s.listOk;
            reached = s.http != nullptr;
        }
        {
            // The callback runs before the service can see the list, so that
            // once it has taken the list in (and dropped the listing) no
            // callback is left to come.
            std::lock_guard lock(state->lock);
            state->list = std::move(list);
            state->ok = ok;
            state->at = reached ? Now() : -1;
            state->unansweredAt = unanswered;
            state->done = true;
            if (listed && !state->stop)
                listed();
        }
        state->changed.notify_all();
    };
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the list is asked for when it is needed.
        return false;
    }
    FListing = std::move(state);
    return true;
}

bool TCupsPrinterService::StillListing()
{
    if (!FListing)
        return false;
    {
        std::lock_guard lock(FListing->lock);
        if (!FListing->done)
            return true;
        FList = {FListing->list, FListing->ok, FListing->at};
        FUnansweredAt = std::max(FUnansweredAt, FListing->unansweredAt);
    }
    FListing.reset();
    FQueues.clear();
    for (const TPrinterEntry& e : FList.List)
        FQueues.insert(e.Name, e.Port);
    return false;
}

bool TCupsPrinterService::ListingPending()
{
    return StillListing();
}

bool TCupsPrinterService::WaitForListing(int ms)
{
    if (FListing) {
        std::unique_lock lock(FListing->lock);
        FListing->changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FListing->done; });
    }
    return !StillListing();
}

QList<TPrinterEntry> TCupsPrinterService::Enumerate(bool* ok)
{
    if (StillListing()) {
        // Not known yet; asked for again once the list is in.
        if (ok)
            *ok = true;
        return {};
    }
    const qint64 now = Now();
    if (FList.At < 0 || now - FList.At >= kKeepMs) {
        Session s(FServer, &FUnansweredAt, FQueryTimeout);
        // A server that was not there is asked again next time: one that has
        // come back is seen at once. (One that hangs is not asked again for a
        // while anyway.)
        FList = {s.Entries(), s.listOk, s.http ? now : -1};
        FQueues.clear();
        for (const TPrinterEntry& e : FList.List)
            FQueues.insert(e.Name, e.Port);
    }
    if (ok)
        *ok = FList.Ok;
    return FList.List;
}

QString TCupsPrinterService::QueueOf(const QString& printer)
{
    Session s(FServer, &FUnansweredAt, FQueryTimeout, StillListing());
    TPrinterEntry e;
    return s.Find(printer, &e, FQueues) ? e.Port : QString();
}

std::shared_ptr<const TPrinterCaps> TCupsPrinterService::Caps(const QString& printer)
{
    const qint64 now = Now();
    const auto it = FCapsCache.constFind(printer);
    if (it != FCapsCache.constEnd() && now - it->At < kKeepMs)
        return it->Caps;
    std::shared_ptr<const TPrinterCaps> caps = LoadCaps(printer);
    if (caps)
        FCapsCache.insert(printer, {caps, now});
    else
        FCapsCache.remove(printer);
    return caps;
}

namespace {

// What the capability loaders ask of one destination.
struct TDestQuery {
    http_t* Http;
    cups_dest_t* Dest;
    cups_dinfo_t* Info;
    QHash<QString, QString> Strings; // the printer's own localisation

    ipp_attribute_t* Supported(const char* name) const { return cupsFindDestSupported(Http, Dest, Info, name); }
    ipp_attribute_t* DefaultAttribute(const char* name) const { return cupsFindDestDefault(Http, Dest, Info, name); }
    // The user's or the server's default of an option: the destination's
    // options first (lpoptions), then the printer's "-default" attribute.
    QString Default(const char* name) const
    {
        if (const char* v = cupsGetOption(name, Dest->num_options, Dest->options))
            return text(v);
        if (ipp_attribute_t* a = DefaultAttribute(name))
            return attrString(a, 0);
        return {};
    }
};

// The smallest and largest custom size, where the printer lists them.
struct TCustomLimits {
    std::optional<QSize> Min, Max;
};

// Papers, in the order the printer lists them; the custom-size limits it
// lists among them are given back.
TCustomLimits LoadPapers(const TDestQuery& q, TPrinterCaps& caps)
{
    TCustomLimits custom;
    QList<int> taken;
    // pwgMediaForPWG answers custom names in one shared buffer: copy at once.
    auto customSize = [](const QByteArray& name) -> std::optional<QSize> {
        if (pwg_media_t* pwg = pwgMediaForPWG(name.constData()))
            return QSize(pwg->width, pwg->length);
        return std::nullopt;
    };
    for (const QString& media : attrStrings(q.Supported("media"))) {
        const QByteArray m = media.toUtf8();
        if (media.startsWith(QLatin1String("custom_min_"))) {
            custom.Min = customSize(m);
            continue;
        }
        if (media.startsWith(QLatin1String("custom_max_"))) {
            custom.Max = customSize(m);
            continue;
        }
        TPaperInfo p;
        p.Media = media;
        cups_size_t size{};
        if (cupsGetDestMediaByName(q.Http, q.Dest, q.Info, m.constData(), CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
            p.Width = size.width;
            p.Length = size.length;
            p.Left = size.left;
            p.Bottom = size.bottom;
            p.Right = size.right;
            p.Top = size.top;
        } else if (pwg_media_t* pwg = pwgMediaForPWG(m.constData())) {
            p.Width = pwg->width;
            p.Length = pwg->length;
        }
        if (p.Width <= 0 || p.Length <= 0 || caps.PaperByMedia(media))
            continue;
        p.Number = PaperTable::StandardNumber(media, p.Width, p.Length);
        if (p.Number == 0 || taken.contains(p.Number))
            p.Number = PaperTable::OtherNumber(media, taken);
        taken.append(p.Number);
        p.Name = q.Strings.value(QStringLiteral("media.") + media);
        if (p.Name.isEmpty())
            p.Name = PaperTable::StandardName(p.Number);
        if (p.Name.isEmpty())
            p.Name = mediaName(media, p.Width, p.Length);
        caps.Papers.append(p);
    }
    return custom;
}

void LoadDefaultPaper(const TDestQuery& q, TPrinterCaps& caps)
{
    QString defaultMedia = q.Default("media");
    if (!caps.PaperByMedia(defaultMedia)) {
        // An lpoptions default may be a PPD or legacy size name.
        const QByteArray d = defaultMedia.toUtf8();
        pwg_media_t* pwg = pwgMediaForPPD(d.constData());
        if (!pwg)
            pwg = pwgMediaForLegacy(d.constData());
        defaultMedia = pwg ? text(pwg->pwg) : QString();
    }
    if (const TPaperInfo* p = caps.PaperByMedia(defaultMedia))
        caps.DefaultPaper = p->Number;
    else if (!caps.Papers.isEmpty())
        caps.DefaultPaper = caps.Papers.first().Number;
}

// Custom sizes take the margins of the default paper.
void LoadCustomSizes(const TCustomLimits& custom, TPrinterCaps& caps)
{
    if (!custom.Min || !custom.Max)
        return;
    caps.CustomSize = true;
    caps.CustomMinWidth = custom.Min->width();
    caps.CustomMinLength = custom.Min->height();
    caps.CustomMaxWidth = custom.Max->width();
    caps.CustomMaxLength = custom.Max->height();
    if (const TPaperInfo* p = caps.Paper(caps.DefaultPaper)) {
        caps.CustomLeft = p->Left;
        caps.CustomBottom = p->Bottom;
        caps.CustomRight = p->Right;
        caps.CustomTop = p->Top;
    }
}

// User forms the printer can print, after its own papers.
void AddForms(const QList<TPaperForm>& forms, TPrinterCaps& caps)
{
    QList<int> taken;
    for (const TPaperInfo& p : caps.Papers)
        taken.append(p.Number);
    for (const TPaperForm& f : forms) {
        TPaperInfo p = FormPaper(caps, f, taken);
        if (!caps.CustomFits(p.Width, p.Length))
            continue;
        taken.append(p.Number);
        caps.Papers.append(p);
    }
}

// Paper sources.
void LoadBins(const TDestQuery& q, TPrinterCaps& caps)
{
    QList<int> bins;
    for (const QString& source : attrStrings(q.Supported("media-source"))) {
        TBinInfo b;
        b.Keyword = source;
        b.Number = PaperTable::BinNumber(source, bins);
        bins.append(b.Number);
        b.Name = q.Strings.value(QStringLiteral("media-source.") + source);
        if (b.Name.isEmpty())
            b.Name = PaperTable::BinName(source);
        caps.Bins.append(b);
    }
    const QString defaultSource = q.Default("media-source");
    for (const TBinInfo& b : caps.Bins)
        if (b.Keyword == defaultSource)
            caps.DefaultBin = b.Number;
    if (!caps.Bin(caps.DefaultBin) && !caps.Bins.isEmpty())
        caps.DefaultBin = caps.Bins.first().Number;
}

void LoadColor(const TDestQuery& q, TPrinterCaps& caps)
{
    const QStringList colorModes = attrStrings(q.Supported("print-color-mode"));
    caps.Color = colorModes.contains(QLatin1String("color"));
    caps.ColorDefault = caps.Color && q.Default("print-color-mode") != QLatin1String("monochrome");
    caps.BitsPerPixel = caps.Color ? 24 : 1;
}

void LoadDuplex(const TDestQuery& q, TPrinterCaps& caps)
{
    const QStringList sides = attrStrings(q.Supported("sides"));
    caps.DuplexLong = sides.contains(QLatin1String("two-sided-long-edge"));
    caps.DuplexShort = sides.contains(QLatin1String("two-sided-short-edge"));
    const QString defaultSides = q.Default("sides");
    caps.DefaultDuplex = defaultSides == QLatin1String("two-sided-long-edge") ? DevMode::DuplexVertical
        : defaultSides == QLatin1String("two-sided-short-edge")               ? DevMode::DuplexHorizontal
                                                                              : DevMode::DuplexSimplex;
}

// Copies and collation.
void LoadCopies(const TDestQuery& q, TPrinterCaps& caps)
{
    if (ipp_attribute_t* a = q.Supported("copies")) {
        int upper = 1;
        if (ippGetValueTag(a) == IPP_TAG_RANGE)
            ippGetRange(a, 0, &upper);
        else if (ippGetValueTag(a) == IPP_TAG_INTEGER)
            upper = ippGetInteger(a, 0);
        caps.MaxCopies = std::clamp(upper, 1, 32767);
    }
    const QStringList handling = attrStrings(q.Supported("multiple-document-handling"));
    caps.Collate = handling.contains(QLatin1String("separate-documents-collated-copies"))
        && handling.contains(QLatin1String("separate-documents-uncollated-copies"));
    caps.CollateDefault =
        q.Default("multiple-document-handling") != QLatin1String("separate-documents-uncollated-copies");
}

void LoadResolutions(const TDestQuery& q, TPrinterCaps& caps)
{
    auto dpi = [](ipp_attribute_t* a, int i) {
        ipp_res_t units = IPP_RES_PER_INCH;
        int y = 0;
        const int x = ippGetResolution(a, i, &y, &units);
        if (units == IPP_RES_PER_CM)
            return QPoint(int(std::lround(x * 2.54)), int(std::lround(y * 2.54)));
        return QPoint(x, y);
    };
    if (ipp_attribute_t* a = q.Supported("printer-resolution"); a && ippGetValueTag(a) == IPP_TAG_RESOLUTION)
        for (int i = 0; i < ippGetCount(a); ++i)
            if (const QPoint r = dpi(a, i); r.x() > 0 && r.y() > 0 && !caps.Resolutions.contains(r))
                caps.Resolutions.append(r);
    if (ipp_attribute_t* a = q.DefaultAttribute("printer-resolution");
        a && ippGetValueTag(a) == IPP_TAG_RESOLUTION && caps.HasResolution(dpi(a, 0)))
        caps.DefaultResolution = dpi(a, 0);
    else if (!caps.Resolutions.isEmpty())
        caps.DefaultResolution = caps.Resolutions.first();
}

// The printer's other options travel in the private bytes. Job-level
// settings and what the public fields already carry stay out.
void LoadOptions(const TDestQuery& q, TPrinterCaps& caps)
{
    static const QSet<QString> publicOrJob = {
        QStringLiteral("copies"),
        QStringLiteral("media"),
        QStringLiteral("media-col"),
        QStringLiteral("media-source"),
        QStringLiteral("multiple-document-handling"),
        QStringLiteral("orientation-requested"),
        QStringLiteral("print-color-mode"),
        QStringLiteral("printer-resolution"),
        QStringLiteral("sides"),
        QStringLiteral("page-ranges"),
        QStringLiteral("ipp-attribute-fidelity"),
        QStringLiteral("finishings-col"),
        QStringLiteral("overrides"),
        QStringLiteral("pages-per-subset"),
    };
    QStringList keywords = attrStrings(q.Supported("job-creation-attributes"));
    keywords.sort();
    for (const QString& keyword : keywords) {
        if (publicOrJob.contains(keyword) || keyword.startsWith(QLatin1String("job-")))
            continue;
        const QByteArray k = keyword.toUtf8();
        ipp_attribute_t* a = q.Supported(k.constData());
        const ipp_tag_t tag = a ? ippGetValueTag(a) : IPP_TAG_ZERO;
        if (tag != IPP_TAG_KEYWORD && tag != IPP_TAG_ENUM && tag != IPP_TAG_INTEGER && tag != IPP_TAG_NAME
            && tag != IPP_TAG_BOOLEAN)
            continue;
        TPrinterOption o;
        o.Keyword = keyword;
        o.Choices = attrStrings(a);
        if (o.Choices.isEmpty())
            continue;
        // No default: the printer decides (an empty value is never sent).
        o.Default = q.Default(k.constData());
        if (!o.Choices.contains(o.Default))
            o.Default.clear();
        o.Label = q.Strings.value(keyword);
        if (o.Label.isEmpty())
            o.Label = keywordLabel(keyword);
        caps.Options.append(o);
    }
}

} // namespace

std::shared_ptr<const TPrinterCaps> TCupsPrinterService::LoadCaps(const QString& printer)
{
    Session s(FServer, &FUnansweredAt, FQueryTimeout, StillListing());
    TPrinterEntry entry;
    cups_dest_t* dest = s.Find(printer, &entry, FQueues);
    if (!dest)
        return nullptr;
    const TDestInfo info(cupsCopyDestInfo(s.http.get(), dest));
    if (!info)
        return nullptr;
    const TDestQuery q{s.http.get(), dest, info.get(), s.Strings(entry.Port)};

    auto caps = std::make_shared<TPrinterCaps>();
    caps->Name = entry.Name;
    caps->Driver = entry.Driver;
    caps->Port = entry.Port;
    const TCustomLimits custom = LoadPapers(q, *caps);
    LoadDefaultPaper(q, *caps);
    LoadCustomSizes(custom, *caps);
    AddForms(FForms.Forms(entry.Port), *caps);
    LoadBins(q, *caps);
    LoadColor(q, *caps);
    LoadDuplex(q, *caps);
    LoadCopies(q, *caps);
    LoadResolutions(q, *caps);
    LoadOptions(q, *caps);
    return caps;
}

QList<TPaperForm> TCupsPrinterService::Forms(const QString& printer)
{
    const QString queue = QueueOf(printer);
    return queue.isEmpty() ? QList<TPaperForm>() : FForms.Forms(queue);
}

bool TCupsPrinterService::AddForm(const QString& printer, const TPaperForm& form)
{
    const std::shared_ptr<const TPrinterCaps> caps = Caps(printer);
    if (!caps || !caps->CustomFits((form.Width + 5) / 10, (form.Length + 5) / 10))
        return false;
    FCapsCache.clear();
    return FForms.Add(caps->Port, form);
}

bool TCupsPrinterService::SetForm(const QString& printer, const TPaperForm& form)
{
    const std::shared_ptr<const TPrinterCaps> caps = Caps(printer);
    if (!caps || !caps->CustomFits((form.Width + 5) / 10, (form.Length + 5) / 10))
        return false;
    FCapsCache.clear();
    return FForms.Set(caps->Port, form);
}

bool TCupsPrinterService::DeleteForm(const QString& printer, const QString& name)
{
    const QString queue = QueueOf(printer);
    FCapsCache.clear();
    return !queue.isEmpty() && FForms.Delete(queue, name);
}

int TCupsPrinterService::SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& o)
{
    QFile file(pdfFile);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot read the print file %1.").arg(pdfFile).toStdString());

    Session s(FServer, &FUnansweredAt, kJobTimeout, StillListing());
    if (!s.http)
        throw std::runtime_error("The print spooler cannot be reached.");
    TPrinterEntry entry;
    cups_dest_t* dest = s.Find(printer, &entry, FQueues);
    if (!dest)
        throw std::runtime_error(QStringLiteral("The printer \"%1\" does not exist.").arg(printer).toStdString());
    const TDestInfo info(cupsCopyDestInfo(s.http.get(), dest));
    if (!info)
        fail(QStringLiteral("The printer \"%1\" does not answer.").arg(printer));

    TJobOptionList options;
    auto add = [&](const char* name, const QString& value) { options.Add(name, value); };
    if (o.MediaSource.isEmpty()) {
        add("media", o.Media);
    } else {
        // A source goes with the size in one media collection.
        pwg_media_t* pwg = pwgMediaForPWG(o.Media.toUtf8().constData());
        if (pwg)
            add("media-col",
                QStringLiteral("{media-size={x-dimension=%1 y-dimension=%2} media-source=%3}")
                    .arg(pwg->width)
                    .arg(pwg->length)
                    .arg(o.MediaSource));
        else
            add("media", o.Media);
    }
    add("sides", o.Sides);
    add("print-color-mode", o.ColorMode);
    if (o.Copies > 1)
        add("copies", QString::number(o.Copies));
    add("multiple-document-handling", o.Collation);
    add("printer-resolution", o.Resolution);
    // The page shape already carries the turn; saying so as well keeps
    // printers that place or finish by orientation (stapling, n-up) right.
    if (o.Landscape)
        add("orientation-requested", QStringLiteral("4"));
    for (const auto& [key, value] : o.Other)
        add(key.toUtf8().constData(), value);

    int jobId = 0;
    const QByteArray title = o.Title.toUtf8();
    const ipp_status_t created =
        cupsCreateDestJob(s.http.get(), dest, info.get(), &jobId, title.constData(), options.Count(), options.Get());
    if (created > IPP_STATUS_OK_EVENTS_COMPLETE || jobId <= 0)
        fail(QStringLiteral("The printer \"%1\" refused the job.").arg(printer));
    bool sent = cupsStartDestDocument(s.http.get(), dest, info.get(), jobId,
                                      title.isEmpty() ? "document" : title.constData(), CUPS_FORMAT_PDF, 0, nullptr, 1)
        == HTTP_STATUS_CONTINUE;
    const qint64 size = file.size();
    bool cancelled = o.Progress && !o.Progress(0, size);
    while (sent && !cancelled && !file.atEnd()) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty() && !file.atEnd())
            sent = false;
        else
            sent = cupsWriteRequestData(s.http.get(), chunk.constData(), size_t(chunk.size())) == HTTP_STATUS_CONTINUE;
        if (sent && o.Progress && !o.Progress(file.pos(), size))
            cancelled = true;
    }
    if (cancelled) {
        // The job is withdrawn before its document is complete: nothing of
        // it prints or stays queued. The upload's connection is in the
        // middle of a request, so the cancel goes through a second one.
        {
            Session other(FServer, &FUnansweredAt, FQueryTimeout);
            if (other.http)
                cupsCancelDestJob(other.http.get(), dest, jobId);
        }
        httpShutdown(s.http.get());
        throw TJobCancelled();
    }
    const ipp_status_t finished = cupsFinishDestDocument(s.http.get(), dest, info.get());
    if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
        const std::string reason = cupsLastErrorString() ? cupsLastErrorString() : "";
        cupsCancelDestJob(s.http.get(), dest, jobId);
        throw std::runtime_error(
            (QStringLiteral("The job could not be sent to \"%1\"").arg(printer)
             + (reason.empty() ? QStringLiteral(".") : QStringLiteral(" (%1).").arg(QString::fromStdString(reason))))
                .toStdString());
    }
    return jobId;
}
