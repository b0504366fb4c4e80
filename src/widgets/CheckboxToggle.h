#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>

class QHBoxLayout;
class SymbolView;

// A toggle drawn as a tick box symbol ("checkmark.square.fill" in the tint
// when on, "square" in the secondary colour when off) before its label. A
// click anywhere on the label flips it.
class CheckboxToggle : public QAbstractButton {
    Q_OBJECT

public:
    CheckboxToggle(const QString& text, const UiColor& tint, QWidget* parent = nullptr);
    // With a label of the caller's making (for example a title over a caption).
    CheckboxToggle(QWidget* label, const UiColor& tint, QWidget* parent = nullptr);

    QString boxSymbol() const;
    UiColor tint() const { return m_tint; }
    void setTint(const UiColor& tint);
    QWidget* label() const { return m_label; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshBox();

    UiColor m_tint;
    SymbolView* m_box;
    QWidget* m_label;
    QHBoxLayout* m_layout;
};
