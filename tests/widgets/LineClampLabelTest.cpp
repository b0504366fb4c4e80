#include "widgets/LineClampLabel.h"

#include <gtest/gtest.h>

namespace {

TEST(LineClampLabel, WrapsAndCutsTheLastAllowedLine)
{
    struct Case {
        QString text;
        int maxLines;
        int expectedLines;
        bool clamped;
    };
    const QString longText = QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen");
    const Case cases[] = {
        {QStringLiteral("short"), 2, 1, false},
        {longText, 2, 2, true},
        {longText, 1, 1, true},
        {longText, 20, -1, false}, // as many lines as it needs
        {QString(), 2, 0, false},
    };
    for (const Case& c : cases) {
        LineClampLabel label(c.text, c.maxLines);
        label.resize(120, label.heightForWidth(120));
        const QStringList lines = label.linesAt(120);
        if (c.expectedLines >= 0)
            EXPECT_EQ(lines.size(), c.expectedLines) << c.text.toStdString();
        else
            EXPECT_GT(lines.size(), 2);
        EXPECT_EQ(label.isClamped(), c.clamped) << c.text.toStdString();
        for (const QString& line : lines)
            EXPECT_LE(label.fontMetrics().horizontalAdvance(line), 120);
    }
}

} // namespace
