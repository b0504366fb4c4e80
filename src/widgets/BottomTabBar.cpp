#include "widgets/BottomTabBar.h"

#include "widgets/TabBarButton.h"
#include "theme/UiColor.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {

struct Tab {
    const char* symbol;
    SystemColor color;
};

constexpr Tab kTabs[] = {
    {"waveform.path.ecg", SystemColor::green},
    {"exclamationmark.triangle.fill", SystemColor::yellow},
    {"terminal", SystemColor::gray},
    {"server.rack", SystemColor::white},
    {"speedometer", SystemColor::blue},
};

} // namespace

BottomTabBar::BottomTabBar(TabSelection* selectedTab, QWidget* parent, SettingsStore* settings) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 10, 20, 10);
    row->setSpacing(8);
    for (int i = 0; i < int(std::size(kTabs)); ++i) {
        if (i > 0)
            row->addStretch(1);
        auto* button = new TabBarButton(QString::fromLatin1(kTabs[i].symbol), i, selectedTab, kTabs[i].color,
                                        nullptr, settings);
        m_buttons.append(button);
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
}

void BottomTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), 12, 12);
    painter.fillPath(plate, UiColor(SystemColor::black).opacity(0.2).resolve(this));
}
