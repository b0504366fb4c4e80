#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>
#include <QPointer>

class TabSelection;

// One pill of a sub-tab bar: a symbol and a title in 9-point type. A click
// selects its index in the shared selection; the pill whose index is
// selected is filled with the accent and drawn bold, the others are clear
// with regular secondary text. Pills stretch to share their bar equally.
class SubTabButton : public QAbstractButton {
    Q_OBJECT

public:
    SubTabButton(const QString& title, const QString& icon, int index, TabSelection* selectedIndex,
                 const UiColor& accentColor, QWidget* parent = nullptr);

    QString title() const { return text(); }
    QString icon() const { return m_icon; }
    int index() const { return m_index; }
    bool isSelected() const;
    void setAccentColor(const UiColor& accent);
    // The colour of the title and symbol as currently drawn.
    QColor inkColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;

    QString m_icon;
    int m_index;
    QPointer<TabSelection> m_selection;
    UiColor m_accent;
};
