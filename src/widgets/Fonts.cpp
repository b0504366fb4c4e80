#include "widgets/Fonts.h"

#include <QFontDatabase>

#include <cmath>

namespace {

QFont sized(QFont font, qreal size, QFont::Weight weight)
{
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setWeight(weight);
    font.setItalic(false);
    return font;
}

} // namespace

QString Fonts::family() { return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(); }

QString Fonts::monospacedFamily() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).family(); }

QFont Fonts::system(qreal size, QFont::Weight weight, FontDesign design)
{
    if (design == FontDesign::monospaced)
        return monospaced(size, weight);
    // No rounded face ships with the desktop; the rounded design falls back
    // to the system face rather than to an arbitrary display font.
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), size, weight);
}

QFont Fonts::monospaced(qreal size, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    return sized(font, size, weight);
}

qreal Fonts::size(TextStyle style)
{
    switch (style) {
    case TextStyle::largeTitle: return 26;
    case TextStyle::title: return 22;
    case TextStyle::title2: return 17;
    case TextStyle::title3: return 15;
    case TextStyle::headline: return 13;
    case TextStyle::subheadline: return 11;
    case TextStyle::body: return 13;
    case TextStyle::callout: return 12;
    case TextStyle::footnote: return 10;
    case TextStyle::caption: return 10;
    case TextStyle::caption2: return 10;
    }
    return 13;
}

QFont::Weight Fonts::weight(TextStyle style)
{
    return style == TextStyle::headline ? QFont::Bold : QFont::Normal;
}

QFont Fonts::style(TextStyle style) { return system(size(style), weight(style)); }
