#include "core/SettingsStore.h"
#include "widgets/AccentPillButton.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/SymbolButton.h"
#include "widgets/TabBarButton.h"
#include "widgets/TabSelection.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Counts the paints a widget gets, so a test can tell that the pointer
// itself brought the hover look, not some later repaint.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST(HoverLook, ButtonsShowItUnderThePointerWhileEnabledOnly)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    TabSelection selection(0);
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    const QList<QAbstractButton*> buttons{
        new SymbolButton("gearshape", SystemColor::blue, 14),
        new AccentPillButton("sparkles", "Tour", SystemColor::blue),
        new AccentPillButton({}, "Open", SystemColor::green, AccentPillButton::Style::filled),
        new DestructiveIconButton("xmark", "Kill"),
        new ToggleSwitch(),
        new TabBarButton("cpu", 1, &selection, SystemColor::blue, nullptr, &settings),
    };
    for (QAbstractButton* button : buttons)
        layout->addWidget(button);
    layout->addSpacing(40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint away(window.width() - 2, window.height() - 2);

    for (QAbstractButton* button : buttons) {
        SCOPED_TRACE(button->metaObject()->className());
        PaintCounter counter;
        button->installEventFilter(&counter);
        QTest::mouseMove(&window, away);
        const QImage resting = button->grab().toImage();

        const int before = counter.paints;
        QTest::mouseMove(&window, button->geometry().center());
        QCoreApplication::processEvents();
        EXPECT_GT(counter.paints, before);
        EXPECT_NE(button->grab().toImage(), resting);
        QTest::mouseMove(&window, away);
        EXPECT_EQ(button->grab().toImage(), resting);

        button->setEnabled(false);
        const QImage disabled = button->grab().toImage();
        QTest::mouseMove(&window, button->geometry().center());
        EXPECT_EQ(button->grab().toImage(), disabled);
        QTest::mouseMove(&window, away);
        button->removeEventFilter(&counter);
    }
}

} // namespace
