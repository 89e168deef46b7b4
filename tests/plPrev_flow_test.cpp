#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plTextFile.h"
#include "support/SpoolerOutput.h"
#include "support/plLogDevice.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

class TNoSpooler : public ::testing::Environment {
public:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    }
};
const auto* const kNoSpooler = ::testing::AddGlobalTestEnvironment(new TNoSpooler);

// The line-break rules are the component's own; the tests reach them here.
class TFlowDoc : public TplPrev {
public:
    using TCustomplPrev::KinsokuPullIn;
    using TCustomplPrev::KinsokuPushOut;
    using TCustomplPrev::NoLineEndChars;
    using TCustomplPrev::NoLineStartChars;
};

// An A4 sheet at 600 dpi, recording, in a face whose widths are known: every
// Japanese character one em (40 paper units), ASCII half of it.
std::unique_ptr<TFlowDoc> Document()
{
    auto doc = std::make_unique<TFlowDoc>();
    doc->FPaperWidth = 2099;
    doc->FPaperHeight = 2969;
    doc->FXResolution = 600;
    doc->FYResolution = 600;
    doc->FLeftOffset = 43;
    doc->FRightOffset = 2057;
    doc->FTopOffset = 43;
    doc->FBottomOffset = 2927;
    doc->BeginDoc();
    doc->FontName("Noto Sans Mono CJK JP");
    doc->FontHeight(-40);
    return doc;
}

constexpr int kEm = 40;
constexpr int kXl = 100;

QString Q(const char* s)
{
    return QString::fromUtf8(s);
}

// A row as the page shows it: its text and the x of each character's origin.
struct TRow {
    QString Text;
    std::vector<double> X;
};

// Rows by their top, characters in x order.
std::map<int, TRow> Rows(const std::vector<TLogItem>& Items)
{
    std::map<int, std::vector<std::pair<double, QString>>> byTop;
    for (const TLogItem& t : Texts(Items)) {
        // A run of several characters spreads them at its own advances.
        const double each = t.Text.size() > 1 ? t.Width / t.Text.size() : 0;
        for (qsizetype i = 0; i < t.Text.size(); ++i)
            if (!t.Text[i].isSpace()) // a space draws nothing
                byTop[int(std::lround(t.Box.top()))].push_back({t.Origin.x() + each * i, t.Text.mid(i, 1)});
    }
    std::map<int, TRow> rows;
    for (auto& [top, chars] : byTop) {
        std::stable_sort(chars.begin(), chars.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (auto& [x, c] : chars) {
            rows[top].Text += c;
            rows[top].X.push_back(x);
        }
    }
    return rows;
}

std::vector<QString> RowTexts(const std::map<int, TRow>& Rows)
{
    std::vector<QString> out;
    for (const auto& [top, row] : Rows)
        out.push_back(row.Text);
    return out;
}

std::vector<QString> L(std::initializer_list<const char*> s)
{
    std::vector<QString> out;
    for (const char* c : s)
        out.push_back(Q(c));
    return out;
}

// The page's rows after flowing Lines in rows of 50 from y 100 on a line of
// Width paper units.
std::map<int, TRow> FlowedRows(std::vector<QString> Lines, int Width, TFormatOptions O, int Kinsoku,
                               int* Result = nullptr)
{
    auto doc = Document();
    QStringList sl(Lines.begin(), Lines.end());
    const int y = doc->StringListOut(sl, O, kXl, kXl + Width, 100, 2000, 50, Kinsoku);
    if (Result)
        *Result = y;
    EXPECT_TRUE(sl.isEmpty());
    doc->EndDoc();
    return Rows(LogPicture(doc->Pages().at(0)));
}

} // namespace

TEST(plPrevFlow, KinsokuFunctions)
{
    const struct {
        const char* s;
        int p, cnt;
        const char* taken;
        int newP;
    } push[] = {
        {"あい「", 3, 2, "「", 2}, {"あ「（", 3, 2, "「（", 1}, {"あ「（[", 4, 2, "（[", 2}, {"あ「い", 3, 2, "", 3},
        {"あ「い", 2, 2, "「", 1}, {"(((", 3, 5, "(((", 0},     {"あい「", 3, 0, "", 3},     {"", 0, 2, "", 0},
    };
    for (const auto& c : push) {
        SCOPED_TRACE(c.s);
        int p = c.p;
        EXPECT_EQ(TFlowDoc::KinsokuPushOut(Q(c.s), p, c.cnt), Q(c.taken));
        EXPECT_EQ(p, c.newP);
    }
    const struct {
        const char* s;
        int cnt;
        const char* taken;
    } pull[] = {
        {"。あ", 2, "。"}, {"。、」あ", 2, "。、"}, {"、", 3, "、"}, {"あ。", 2, ""}, {"。", 0, ""},
        {"", 2, ""},       {").,", 3, ").,"},
    };
    for (const auto& c : pull) {
        SCOPED_TRACE(c.s);
        int p = 7;
        EXPECT_EQ(TFlowDoc::KinsokuPullIn(Q(c.s), p, c.cnt), Q(c.taken));
        EXPECT_EQ(p, 7 + int(Q(c.taken).size()));
    }
    // The two tables in their order.
    EXPECT_EQ(QString::fromUtf16(TFlowDoc::NoLineEndChars.data(), 8), Q("([{｢（［｛「"));
    EXPECT_EQ(QString::fromUtf16(TFlowDoc::NoLineStartChars.data(), 14), Q(")]}.,｣）］｝．，」。、"));
}

// The line-break rules on rows of ten Japanese characters: which characters
// each row holds and where the row's own last character lands after the
// stretch or squeeze; pulled characters follow it a full em apart.
TEST(plPrevFlow, LineBreakRules)
{
    const struct {
        const char* name;
        const char* text;
        int kinsoku;
        std::vector<QString> rows;
        int own;      // the first row's characters before any pulled in
        double lastX; // origin of the last of them, from Xl
    } cases[] = {
        // The bracket moves on; nine characters spread over ten's width.
        {"bracket at the end", "あいうえおかきくけ「こさし", 2, L({"あいうえおかきくけ", "「こさし"}), 9, 9 * kEm},
        {"two brackets keep their order", "あいうえおかきく「（けこ", 2, L({"あいうえおかきく", "「（けこ"}), 8,
         9 * kEm},
        {"two brackets, one allowed", "あいうえおかきく「（けこ", 1, L({"あいうえおかきく「", "（けこ"}), 9, 9 * kEm},
        {"no rule with 0", "あいうえおかきくけ「こさし", 0, L({"あいうえおかきくけ「", "こさし"}), 10, 9 * kEm},
        // The full stop is pulled back; the row's own characters close up.
        {"full stop pulled back", "あいうえおかきくけこ。さ", 2, L({"あいうえおかきくけこ。", "さ"}), 10, 8 * kEm},
        {"at most two pulled", "あいうえおかきくけこ。、」さ", 2, L({"あいうえおかきくけこ。、", "」さ"}), 10, 7 * kEm},
        {"nothing pulled with 0", "あいうえおかきくけこ。さ", 0, L({"あいうえおかきくけこ", "。さ"}), 10, 9 * kEm},
        // Pushing out wins: the next row then starts with the bracket.
        {"push-out before pull-in", "あいうえおかきくけ「。さ", 2, L({"あいうえおかきくけ", "「。さ"}), 9, 9 * kEm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rows = FlowedRows({Q(c.text)}, 10 * kEm, {}, c.kinsoku);
        ASSERT_EQ(RowTexts(rows), c.rows);
        const TRow& first = rows.begin()->second;
        ASSERT_EQ(first.X.size(), size_t(first.Text.size()));
        EXPECT_DOUBLE_EQ(first.X.front(), kXl);
        EXPECT_NEAR(first.X[size_t(c.own - 1)], kXl + c.lastX, 0.01);
        // The remainder is spread one unit at a time: gaps differ by one at most.
        double lo = 1e9, hi = -1e9;
        for (int i = 1; i < c.own; ++i) {
            lo = std::min(lo, first.X[size_t(i)] - first.X[size_t(i - 1)]);
            hi = std::max(hi, first.X[size_t(i)] - first.X[size_t(i - 1)]);
        }
        EXPECT_LE(hi - lo, 1.0);
        for (size_t i = size_t(c.own); i < first.X.size(); ++i)
            EXPECT_NEAR(first.X[i], first.X[i - 1] + kEm, 0.01) << i;
    }
}

// Each row is one recorded text, its characters at the advances computed.
TEST(plPrevFlow, OneRecordedTextPerRow)
{
    auto doc = Document();
    QStringList sl{Q("あいうえおかきくけ「こさしすせそたちつてとな。にぬ"), Q("abc def")};
    doc->StringListOut(sl, {foJustify}, kXl, kXl + 10 * kEm, 100, 2000, 50, 2);
    doc->EndDoc();
    const TMetafile& page = doc->Pages().at(0);
    EXPECT_EQ(page.OpCount(plmeta::TOpKind::Text), 4u);
    EXPECT_EQ(RowTexts(Rows(LogPicture(page))),
              L({"あいうえおかきくけ", "「こさしすせそたちつ", "てとな。にぬ", "abcdef"}));
}

// A row of one character of its own has no gap to absorb pulled punctuation:
// it hangs past the limit, nothing divides by zero and nothing is lost.
TEST(plPrevFlow, PullOntoASingleCharacter)
{
    const auto rows = FlowedRows({Q("あ。い、う")}, kEm, {}, 2);
    EXPECT_EQ(RowTexts(rows), L({"あ。", "い、", "う"}));
    const TRow& first = rows.begin()->second;
    EXPECT_DOUBLE_EQ(first.X[1] - first.X[0], kEm);
}

// A row made only of opening brackets keeps its first one: pushing them all
// out would leave an empty row and the same text for ever.
TEST(plPrevFlow, PushOutLeavesARowItsFirstCharacter)
{
    const auto rows = FlowedRows({Q("（「あい")}, 2 * kEm, {}, 2);
    EXPECT_EQ(RowTexts(rows), L({"（", "「あ", "い"}));
}

// The list: an empty one draws nothing, an empty entry takes a row, and a
// paragraph cut off by the end of the room goes on in a second call.
TEST(plPrevFlow, StringListConsumedAsPrinted)
{
    auto doc = Document();
    QStringList empty;
    EXPECT_EQ(doc->StringListOut(empty, {}, kXl, kXl + 400, 300, 2000, 50, 2), 300);

    QStringList sl{Q("abc"), QString(), Q("def")};
    EXPECT_EQ(doc->StringListOut(sl, {}, kXl, kXl + 400, 300, 2000, 50, 2), 450);
    EXPECT_TRUE(sl.isEmpty());

    // Room for three rows: tops 0, 50 and 100 below Yt (the check is made
    // before each row, so the last may reach past Yb).
    sl = QStringList{Q("あいうえおかきくけこさしすせそたちつてと"), Q("なにぬねのはひふへほまみむめもやゆよらり"),
                     Q("end")};
    EXPECT_EQ(doc->StringListOut(sl, {}, kXl, kXl + 400, 1000, 1100, 50, 2), 1150);
    EXPECT_EQ(sl, (QStringList{Q("まみむめもやゆよらり"), Q("end")}));
    doc->NewPage();
    EXPECT_EQ(doc->StringListOut(sl, {}, kXl, kXl + 400, 200, 1100, 50, 2), 300);
    EXPECT_TRUE(sl.isEmpty());

    // An empty entry met when the room is used up stays in the list.
    sl = QStringList{Q("a"), Q("b"), QString(), Q("c")};
    EXPECT_EQ(doc->StringListOut(sl, {}, kXl, kXl + 400, 1500, 1550, 50, 2), 1600);
    EXPECT_EQ(sl, (QStringList{QString(), Q("c")}));
    doc->EndDoc();

    EXPECT_EQ(RowTexts(Rows(LogPicture(doc->Pages().at(0)))),
              L({"abc", "def", "あいうえおかきくけこ", "さしすせそたちつてと", "なにぬねのはひふへほ"}));
    const auto second = Rows(LogPicture(doc->Pages().at(1)));
    EXPECT_EQ(RowTexts(second), L({"まみむめもやゆよらり", "end", "a", "b"}));
    EXPECT_EQ(second.begin()->first, 200);
}

// Justified rows fill the width, the paragraph's last keeps its spacing;
// centred rows stand in the middle.
TEST(plPrevFlow, JustifiedAndCentredRows)
{
    // "abc def ghi" on 9 half-width cells: "abc def" (7) fills 9 at its one
    // gap, widening the advance before the space.
    auto rows = FlowedRows({Q("abc def ghi")}, 9 * kEm / 2, {foJustify}, 2);
    ASSERT_EQ(RowTexts(rows), L({"abcdef", "ghi"}));
    const TRow& r0 = rows.begin()->second;
    EXPECT_NEAR(r0.X[3] - r0.X[2], 2 * kEm, 0.01); // c's advance and the space
    const TRow& r1 = std::next(rows.begin())->second;
    EXPECT_NEAR(r1.X[2] - r1.X[0], kEm, 0.01);

    rows = FlowedRows({Q("あいう")}, 10 * kEm, {foRight, foCenter}, 2);
    ASSERT_EQ(RowTexts(rows), L({"あいう"}));
    EXPECT_NEAR(rows.begin()->second.X[0], kXl + 7 * kEm / 2, 0.01);
}

namespace {

// Sets a variable of the environment for the life of the object.
class TEnvVar {
public:
    TEnvVar(const char* Name, const QByteArray& Value)
        : FName(Name), FOld(qgetenv(Name)), FHad(qEnvironmentVariableIsSet(Name))
    {
        qputenv(Name, Value);
    }
    ~TEnvVar()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    QByteArray FOld;
    bool FHad;
};

QByteArray Utf16(const QString& s, bool bigEndian)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar c : s) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

QString WriteFile(const QTemporaryDir& Dir, const QString& Name, const QByteArray& Bytes)
{
    const QString path = Dir.filePath(Name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Bytes);
    return path;
}

} // namespace

// Encodings and line ends of text files, as the page shows their rows.
TEST(plPrevFlow, TextOutFileEncodingsAndLineEnds)
{
    const QString text = Q("かな漢字\nZürich\n");
    const struct {
        const char* name;
        QByteArray bytes;
        QByteArray locale;
        std::vector<QString> rows;
        std::vector<int> rowOf; // row number of each shown row
    } cases[] = {
        {"UTF-8", text.toUtf8(), "en_US.UTF-8", L({"かな漢字", "Zürich"}), {0, 1}},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + text.toUtf8(), "ja_JP.UTF-8", L({"かな漢字", "Zürich"}), {0, 1}},
        {"UTF-16 LE", Utf16(text, false), "C", L({"かな漢字", "Zürich"}), {0, 1}},
        {"UTF-16 BE", Utf16(text, true), "C", L({"かな漢字", "Zürich"}), {0, 1}},
        {"Shift_JIS under a Japanese locale",
         QByteArray("\x82\xA9\x82\xC8\x8A\xBF\x8E\x9A\r\n\xB6\xC5"),
         "ja_JP.UTF-8",
         L({"かな漢字", "ｶﾅ"}),
         {0, 1}},
        {"windows-1252 otherwise", QByteArray("Z\xFCrich\r\ncaf\xE9"), "de_DE.UTF-8", L({"Zürich", "café"}), {0, 1}},
        {"CR, LF, CR LF and an empty line",
         QByteArray("a\rb\nc\r\nd\n\ne"),
         "C",
         L({"a", "b", "c", "d", "e"}),
         {0, 1, 2, 3, 5}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TEnvVar lcAll("LC_ALL", c.locale);
        const QString path = WriteFile(dir, QStringLiteral("t.txt"), c.bytes);
        auto doc = Document();
        const int end = doc->TextOutFile(200, kXl, kXl + 1600, 50, path);
        doc->EndDoc();
        EXPECT_EQ(end, 200 + 50 * (c.rowOf.back() + 1));
        const auto rows = Rows(LogPicture(doc->Pages().at(0)));
        EXPECT_EQ(RowTexts(rows), c.rows);
        std::vector<int> rowOf;
        for (const auto& [top, row] : rows)
            rowOf.push_back((top - 200) / 50);
        EXPECT_EQ(rowOf, c.rowOf);
    }
}

// A file that cannot be read: the error names the file and the reason,
// nothing is drawn, and the document goes on working.
TEST(plPrevFlow, TextOutFileUnreadable)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.filePath("big.txt");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kTextFileLimit + 1)); // sparse: no time or room spent
    }
    const QString locked = WriteFile(dir, "locked.txt", "secret");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const bool root = geteuid() == 0; // root reads every file

    const struct {
        QString file;
        const char* reason;
    } cases[] = {
        {dir.filePath("missing.txt"), "does not exist"},
        {dir.path(), "is a folder"},
        {QStringLiteral("/dev/null"), "not a regular file"},
        {fifo, "not a regular file"},
        {big, "larger than"},
        {root ? QString() : locked, "permission denied"},
    };
    auto doc = Document();
    for (const auto& c : cases) {
        if (c.file.isEmpty())
            continue;
        SCOPED_TRACE(c.file);
        try {
            doc->TextOutFile(200, kXl, kXl + 1600, 50, c.file);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            const QString what = QString::fromUtf8(e.what());
            EXPECT_TRUE(what.contains(c.file)) << what;
            EXPECT_TRUE(what.contains(QString::fromLatin1(c.reason))) << what;
        }
    }
    const QString good = WriteFile(dir, "good.txt", "fine");
    EXPECT_EQ(doc->TextOutFile(200, kXl, kXl + 1600, 50, good), 250);
    const QString none = WriteFile(dir, "empty.txt", "");
    EXPECT_EQ(doc->TextOutFile(700, kXl, kXl + 1600, 50, none), 700);
    doc->EndDoc();
    EXPECT_EQ(RowTexts(Rows(LogPicture(doc->Pages().at(0)))), L({"fine"}));
}

// Flowed Japanese and English in a real PDF: a justified file, a centred
// row, brackets at row ends; the words stand where the rows put them.
TEST(plPrevFlow, FlowedTextInAPdf)
{
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "letter.txt",
                                   Q("Dear reader, this notice is set in justified rows that fill the width from the "
                                     "left limit to the right one.\n"
                                     "日本語の文章も同じ行に流し込みます。括弧は行末に残りません「かっこ」（丸）。"
                                     "句読点、行頭に来ません。続けて書きます。\n")
                                       .toUtf8());
    auto doc = Document();
    doc->FontName("Noto Sans CJK JP");
    doc->FontHeight(-40);
    const int end = doc->TextOutFile(200, 200, 1400, 60, file);
    QStringList centred{Q("Centred 中央")};
    doc->StringListOut(centred, {foRight, foCenter}, 200, 1400, end + 60, 2800, 60, 2);
    doc->EndDoc();

    const QString pdf = dir.filePath("flow.pdf");
    {
        QPdfWriter w(pdf);
        w.setResolution(600);
        w.setPageSize(QPageSize(QPageSize::A4));
        w.setPageMargins(QMarginsF());
        QPainter p(&w);
        // The picture's frame is the sheet: 2099 x 2969 paper units.
        doc->Pages().at(0).Play(p, QRectF(0, 0, 2099 * 600 / 254.0, 2969 * 600 / 254.0));
    }
    const double pt = 72.0 / 254; // points per paper unit
    const auto words = SpoolerOutput::Words(pdf);
    ASSERT_FALSE(words.isEmpty());
    // The first row is justified: it starts at the left limit and its last
    // word ends at the right one.
    double firstTop = 1e9;
    for (const auto& w : words)
        firstTop = std::min(firstTop, w.Box.top());
    double left = 1e9, right = 0;
    for (const auto& w : words) {
        if (std::abs(w.Box.top() - firstTop) < 2) {
            left = std::min(left, w.Box.left());
            right = std::max(right, w.Box.right());
        }
    }
    EXPECT_NEAR(left, 200 * pt, 3);
    EXPECT_NEAR(right, 1400 * pt, 3);
    const QString all = SpoolerOutput::PageText(pdf, 1);
    EXPECT_TRUE(all.contains(Q("Dear"))) << all;
    EXPECT_TRUE(all.contains(Q("中央"))) << all;
    // No row begins with a closing character nor ends with an opening one.
    for (const QString& line : all.split(u'\n', Qt::SkipEmptyParts)) {
        const QString t = line.trimmed();
        if (t.isEmpty())
            continue;
        EXPECT_FALSE(Q("。、」）").contains(t.front())) << t;
        EXPECT_FALSE(Q("「（").contains(t.back())) << t;
    }
    // The centred row stands in the middle of the limits.
    for (const auto& w : words) {
        if (w.Text == Q("Centred")) {
            EXPECT_GT(w.Box.left(), 400 * pt);
        }
    }
    if (qEnvironmentVariableIsSet("MIRVAK_KEEP_FLOW_PNG"))
        SpoolerOutput::Render(pdf, 1, 100).save(qEnvironmentVariable("MIRVAK_KEEP_FLOW_PNG"));
}
