#include "uUtils.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets the locale variables for one case and restores them afterwards.
class LocaleEnv {
public:
    LocaleEnv()
    {
        for (const char* v : kVars) {
            const char* cur = std::getenv(v);
            saved_.push_back(cur ? std::optional<std::string>(cur) : std::nullopt);
            unsetenv(v);
        }
    }
    ~LocaleEnv()
    {
        for (size_t i = 0; i < std::size(kVars); ++i) {
            if (saved_[i])
                setenv(kVars[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kVars[i]);
        }
    }

    static constexpr const char* kVars[] = {"LC_ALL", "LC_CTYPE", "LANG", "LANGUAGE", "LC_MESSAGES"};

private:
    std::vector<std::optional<std::string>> saved_;
};

struct LocaleCase {
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    const char* language;
    bool japanese;
};

} // namespace

TEST(IsJapanese, FollowsTheCharacterTypeLocale)
{
    const LocaleCase cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", nullptr, true},
        {nullptr, nullptr, "ja", nullptr, true},
        {"ja_JP.UTF-8", nullptr, "en_US.UTF-8", nullptr, true},
        {"en_US.UTF-8", nullptr, "ja_JP.UTF-8", nullptr, false},
        {nullptr, "ja_JP.eucJP", "en_GB.UTF-8", nullptr, true},
        {nullptr, nullptr, "ja_JP.UTF-8", "en", true},
        {nullptr, nullptr, "en_US.UTF-8", "ja", false},
        {nullptr, nullptr, "JA_JP.UTF-8", nullptr, false},
        {nullptr, nullptr, "jav_ID", nullptr, false},
        {nullptr, nullptr, "C", nullptr, false},
        {nullptr, nullptr, "C.UTF-8", nullptr, false},
        {nullptr, nullptr, nullptr, nullptr, false},
        {"", "", "ja_JP.UTF-8", nullptr, true},
    };
    for (const auto& c : cases) {
        LocaleEnv env;
        if (c.lcAll)
            setenv("LC_ALL", c.lcAll, 1);
        if (c.lcCtype)
            setenv("LC_CTYPE", c.lcCtype, 1);
        if (c.lang)
            setenv("LANG", c.lang, 1);
        if (c.language)
            setenv("LANGUAGE", c.language, 1);
        EXPECT_EQ(IsJapanese(), c.japanese)
            << "LC_ALL=" << (c.lcAll ? c.lcAll : "-") << " LC_CTYPE=" << (c.lcCtype ? c.lcCtype : "-")
            << " LANG=" << (c.lang ? c.lang : "-") << " LANGUAGE=" << (c.language ? c.language : "-");
    }
}

TEST(IsJapanese, IsReadAfreshAtEveryCall)
{
    LocaleEnv env;
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_TRUE(IsJapanese());
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_FALSE(IsJapanese());
}

TEST(VersionString, FourNumbersWithZerosKept)
{
    EXPECT_EQ(FormatVersionString(1, 2, 3, 4), "1.2.3.4");
    EXPECT_EQ(FormatVersionString(1, 0, 0, 0), "1.0.0.0");
    EXPECT_EQ(FormatVersionString(0, 10, 0, 65535), "0.10.0.65535");
    EXPECT_EQ(GetVersionString().count('.'), 3);
}

TEST(LoadPngResource, GoodMissingAndCorrupt)
{
    QImage target(3, 3, QImage::Format_ARGB32);
    target.fill(Qt::red);

    EXPECT_FALSE(LoadPngResource("NoSuchResource", target));
    EXPECT_EQ(target.size(), QSize(3, 3));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::red));

    EXPECT_FALSE(LoadPngResource("TestCorrupt", target));
    EXPECT_EQ(target.size(), QSize(3, 3));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::red));

    EXPECT_FALSE(LoadPngResource("TestTruncated", target));
    EXPECT_EQ(target.size(), QSize(3, 3));

    ASSERT_TRUE(LoadPngResource("TestGood", target));
    EXPECT_EQ(target.size(), QSize(4, 2));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(target.pixelColor(3, 1).alpha(), 0);
}
