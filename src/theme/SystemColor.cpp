#include "theme/SystemColor.h"

namespace {

struct Variants {
    QColor dark;
    QColor light;
};

Variants variants(SystemColor color)
{
    switch (color) {
    case SystemColor::blue: return {QColor(10, 132, 255), QColor(0, 122, 255)};
    case SystemColor::purple: return {QColor(191, 90, 242), QColor(175, 82, 222)};
    case SystemColor::pink: return {QColor(255, 55, 95), QColor(255, 45, 85)};
    case SystemColor::orange: return {QColor(255, 159, 10), QColor(255, 149, 0)};
    case SystemColor::yellow: return {QColor(255, 214, 10), QColor(255, 204, 0)};
    case SystemColor::green: return {QColor(50, 215, 75), QColor(40, 205, 65)};
    case SystemColor::cyan: return {QColor(90, 200, 245), QColor(85, 190, 240)};
    case SystemColor::red: return {QColor(255, 69, 58), QColor(255, 59, 48)};
    case SystemColor::indigo: return {QColor(94, 92, 230), QColor(88, 86, 214)};
    case SystemColor::gray: return {QColor(152, 152, 157), QColor(142, 142, 147)};
    case SystemColor::mint: return {QColor(102, 212, 207), QColor(0, 199, 190)};
    case SystemColor::teal: return {QColor(106, 196, 220), QColor(89, 173, 196)};
    case SystemColor::brown: return {QColor(172, 142, 104), QColor(162, 132, 94)};
    case SystemColor::white: return {Qt::white, Qt::white};
    case SystemColor::black: return {Qt::black, Qt::black};
    case SystemColor::contrast: return {Qt::white, Qt::black};
    case SystemColor::clear: return {Qt::transparent, Qt::transparent};
    case SystemColor::primary: return {QColor(255, 255, 255, 217), QColor(0, 0, 0, 217)};
    case SystemColor::secondary: return {QColor(255, 255, 255, 140), QColor(0, 0, 0, 128)};
    case SystemColor::tertiary: return {QColor(255, 255, 255, 64), QColor(0, 0, 0, 66)};
    case SystemColor::quaternary: return {QColor(255, 255, 255, 25), QColor(0, 0, 0, 25)};
    case SystemColor::separator: return {QColor(255, 255, 255, 26), QColor(0, 0, 0, 26)};
    case SystemColor::windowBackground: return {QColor(30, 30, 30), QColor(236, 236, 236)};
    case SystemColor::controlBackground: return {QColor(30, 30, 30), Qt::white};
    }
    return {Qt::magenta, Qt::magenta};
}

} // namespace

QColor systemColor(SystemColor color, ColorScheme scheme)
{
    const Variants v = variants(color);
    return scheme == ColorScheme::dark ? v.dark : v.light;
}
