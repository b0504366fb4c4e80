#include "core/Format.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Builds a German locale into a temp folder (the machine may have none
// installed) and switches the process to it for the test's duration.
class CommaLocale {
public:
    CommaLocale()
    {
        const QString out = m_dir.filePath(QStringLiteral("de_DE.UTF-8"));
        const int rc = QProcess::execute(QStringLiteral("/usr/bin/localedef"),
                                         {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                          QStringLiteral("UTF-8"), out});
        if (rc != 0)
            return;
        ::setenv("LOCPATH", m_dir.path().toLocal8Bit().constData(), 1);
        m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
    }
    bool active() const { return m_active; }

private:
    QTemporaryDir m_dir;
    bool m_active = false;
};

} // namespace

TEST(FormatTest, DecimalsUseADotUnderACommaLocale)
{
    CommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "localedef could not build de_DE";
    char native[32];
    std::snprintf(native, sizeof native, "%.1f", 37.5);
    ASSERT_STREQ(native, "37,5") << "the comma locale is not in force";

    EXPECT_EQ(kestrova::format("%.1f", 37.5), QStringLiteral("37.5"));
    EXPECT_EQ(kestrova::format("%.2f GHz, %d°", 1.894, 47), QStringLiteral("1.89 GHz, 47°"));
    EXPECT_EQ(kestrova::format("%.1f", 91.25), QStringLiteral("91.2")) << "printf's rounding of exact ties";
    EXPECT_EQ(kestrova::format("%s|%5.1f%%", "x", 3.14159), QStringLiteral("x|  3.1%"));
    EXPECT_EQ(kestrova::format("%.0f", 1e300).size(), 301) << "long output falls back to the heap";
    EXPECT_EQ(kestrova::shortestDouble(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(kestrova::formatBytes(1536), QStringLiteral("1.5 KB"));
}

TEST(FormatTest, SafeTruncNeverHasUndefinedBehaviour)
{
    EXPECT_EQ(kestrova::safeTrunc(47.9), 47);
    EXPECT_EQ(kestrova::safeTrunc(-3.7), -3);
    EXPECT_EQ(kestrova::safeTrunc(std::nan("")), 0);
    EXPECT_EQ(kestrova::safeTrunc(INFINITY), 0);
    EXPECT_EQ(kestrova::safeTrunc(-INFINITY), 0);
    EXPECT_EQ(kestrova::safeTrunc(1e19), 0);
    EXPECT_EQ(kestrova::safeTrunc(-1e300), 0);
    EXPECT_EQ(kestrova::safeTrunc(9.0e18), qint64(9000000000000000000LL));
}

TEST(FormatTest, ShortestDoubleReadsBackWithAFractionOnWholeNumbers)
{
    EXPECT_EQ(kestrova::shortestDouble(12.0), QStringLiteral("12.0"));
    EXPECT_EQ(kestrova::shortestDouble(0.0), QStringLiteral("0.0"));
    EXPECT_EQ(kestrova::shortestDouble(-2.5), QStringLiteral("-2.5"));
    EXPECT_EQ(kestrova::shortestDouble(1000000.0), QStringLiteral("1000000.0"));
    EXPECT_EQ(kestrova::shortestDouble(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(kestrova::shortestDouble(1e-5), QStringLiteral("1e-05"));
    EXPECT_EQ(kestrova::shortestDouble(1e16), QStringLiteral("1e+16"));
}

TEST(FormatTest, ByteCountsUseMultiplesOf1024)
{
    EXPECT_EQ(kestrova::formatBytes(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(kestrova::formatBytes(1023), QStringLiteral("1023 bytes"));
    EXPECT_EQ(kestrova::formatBytes(1024), QStringLiteral("1.0 KB"));
    EXPECT_EQ(kestrova::formatBytes(4724464640LL), QStringLiteral("4.4 GB"));
}
