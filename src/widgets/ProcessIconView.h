#pragma once

#include "widgets/SymbolGlyph.h"

#include <QIcon>
#include <QWidget>

// The leading icon of a process line: the application's own image in
// 16 x 16 with 2 of padding, or else a tinted symbol centred in a frame of
// the same 20-point width, so lines with and without an image line up.
class ProcessIconView : public QWidget {
    Q_OBJECT

public:
    explicit ProcessIconView(QWidget* parent = nullptr);

    void set(const QString& symbol, const QIcon& image, const UiColor& tint);

    bool showsImage() const { return !m_image.isNull(); }
    QString symbol() const { return m_glyph.symbol(); }
    UiColor tint() const { return m_glyph.tint(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolGlyph m_glyph;
    QIcon m_image;
};
