// The text layer of a written sheet: the embedded fonts' character maps send
// every glyph to the character it was drawn for. Read with qpdf.
#include "uCommandLine.h"
#include "uSheets.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace {

// The characters every glyph of the ToUnicode maps of Pdf stands for.
QString MappedCharacters(const QString& pdf, const QString& dir)
{
    const QString plain = dir + "/plain.pdf";
    QProcess qpdf;
    qpdf.start("qpdf", {"--qdf", "--object-streams=disable", pdf, plain});
    if (!qpdf.waitForFinished(60000) || qpdf.exitCode() != 0)
        return {};
    QFile f(plain);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(f.readAll());
    QString mapped;
    auto utf16 = [](const QString& hex) {
        QString s;
        for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
            s += QChar(char16_t(hex.mid(i, 4).toUInt(nullptr, 16)));
        return s;
    };
    static const QRegularExpression blocks(R"((begin)(bfchar|bfrange)([\s\S]*?)end\2)");
    static const QRegularExpression hex(R"(<([0-9A-Fa-f]*)>)");
    for (const auto& b : blocks.globalMatch(text)) {
        const bool range = b.captured(2) == "bfrange";
        for (const QString& line : b.captured(3).split('\n')) {
            QStringList h;
            for (const auto& m : hex.globalMatch(line))
                h << m.captured(1);
            // bfchar: source, destination; bfrange: low, high, destinations.
            // Glyph 0, the face's missing-glyph shape, is in every subset
            // but never drawn.
            if (!h.isEmpty() && h[0].toUInt(nullptr, 16) == 0
                && (!range || (h.size() > 1 && h[1].toUInt(nullptr, 16) == 0)))
                continue;
            for (qsizetype i = range ? 2 : 1; i < h.size(); ++i)
                mapped += utf16(h[i]);
        }
    }
    return mapped;
}

} // namespace

TEST(PdfText, EveryGlyphMapsToItsCharacter)
{
    const char* saved = std::getenv("LANG");
    const std::string keep = saved ? saved : "";
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    for (const char* lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(lang);
        setenv("LANG", lang, 1);
        QTemporaryDir dir;
        const QString out = dir.filePath("sheet.pdf");
        ASSERT_EQ(RunCommandLine({"mirvak", "--start", "1", "--end", "1", "--pdf", out}), 0);
        const QString drawn = SheetTitle(1) + SheetNameLine() + SheetDateLine() + "0123456789()+-=[]";
        const QString mapped = MappedCharacters(out, dir.path());
        ASSERT_GE(mapped.size(), 20);
        for (QChar c : mapped) {
            EXPECT_GE(c.unicode(), 0x20) << "glyph mapped to control character " << int(c.unicode());
            EXPECT_TRUE(drawn.contains(c)) << "glyph mapped to U+" << std::hex << int(c.unicode()) << ", never drawn";
        }
        // The letters of the title are all there.
        for (QChar c : SheetTitle(1)) {
            if (!c.isSpace()) {
                EXPECT_TRUE(mapped.contains(c)) << "U+" << std::hex << int(c.unicode());
            }
        }
    }
    setenv("LANG", keep.c_str(), 1);
}
