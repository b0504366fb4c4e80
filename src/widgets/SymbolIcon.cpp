#include "widgets/SymbolIcon.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>

namespace {

// Where Debian's fonts-material-design-icons-iconfont puts the font.
constexpr auto kFontPath = "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";
constexpr auto kFamily = "Material Icons";

struct Glyph {
    const char* name;     // symbol name used by the views
    const char* material; // Material Icons name, for whoever edits this table
    char32_t codepoint;
    int rotation = 0;     // degrees, for the few glyphs that only exist facing another way
};

// Every symbol name the views use. Keep sorted by name.
constexpr Glyph kGlyphs[] = {
    {"app.fill", "apps", 0xe5c3},
    {"arrow.down", "arrow_downward", 0xe5db},
    {"arrow.down.circle.fill", "arrow_circle_down", 0xf181},
    {"arrow.up", "arrow_upward", 0xe5d8},
    {"arrow.up.circle.fill", "arrow_circle_up", 0xf182},
    {"battery.100", "battery_full", 0xe1a4},
    {"battery.100.bolt", "battery_charging_full", 0xe1a3},
    {"battery.25", "battery_2_bar", 0xebe0},
    {"bolt.fill", "bolt", 0xea0b},
    {"bolt.horizontal.circle.fill", "offline_bolt", 0xe932},
    {"bolt.horizontal.fill", "electric_bolt", 0xec1c},
    {"bolt.shield.fill", "security", 0xe32a},
    {"book.fill", "menu_book", 0xea19},
    {"brain", "psychology", 0xea4a},
    {"brain.head.profile", "psychology_alt", 0xf8ea},
    {"brain.headset", "support_agent", 0xf0e2},
    {"chart.bar.xaxis", "bar_chart", 0xe26b},
    {"checkmark", "check", 0xe5ca},
    {"checkmark.circle.fill", "check_circle", 0xe86c},
    {"checkmark.shield.fill", "verified_user", 0xe8e8},
    {"checkmark.square.fill", "check_box", 0xe834},
    {"clock.fill", "access_time_filled", 0xefd6},
    {"cpu", "memory", 0xe322},
    {"cpu.fill", "memory", 0xe322},
    {"desktopcomputer", "desktop_windows", 0xe30c},
    {"doc.on.doc", "content_copy", 0xe14d},
    {"eject.fill", "eject", 0xe8fb},
    {"exclamationmark.triangle", "warning_amber", 0xf083},
    {"exclamationmark.triangle.fill", "warning", 0xe002},
    {"externaldrive.fill", "storage", 0xe1db},
    {"eye.trianglebadge.exclamationmark", "visibility", 0xe8f4},
    {"fanblades.fill", "cyclone", 0xebd5},
    {"folder.fill", "folder", 0xe2c7},
    {"folder.fill.badge.minus", "folder_delete", 0xeb34},
    {"gamecontroller", "sports_esports", 0xea28},
    {"gamecontroller.fill", "sports_esports", 0xea28},
    {"gauge.badge.minus", "speed", 0xe9e4},
    {"gauge.with.needle.fill", "speed", 0xe9e4},
    {"gearshape.fill", "settings", 0xe8b8},
    {"globe", "public", 0xe80b},
    {"hammer.fill", "construction", 0xea3c},
    {"hand.point.left.fill", "pan_tool_alt", 0xebb9, -90},
    {"hare.fill", "cruelty_free", 0xe799},
    {"info.circle.fill", "info", 0xe88e},
    {"internaldrive", "storage", 0xe1db},
    {"leaf.fill", "eco", 0xea35},
    {"lightbulb.fill", "lightbulb", 0xe0f0},
    {"link", "link", 0xe157},
    {"list.bullet.rectangle.portrait", "list_alt", 0xe0ee},
    {"list.bullet.rectangle.portrait.fill", "article", 0xef42},
    {"lock.shield", "admin_panel_settings", 0xef3d},
    {"macbook", "laptop_mac", 0xe320},
    {"macstudio", "desktop_mac", 0xe30b},
    {"macwindow.and.cursorarrow", "web", 0xe051},
    {"magnifyingglass", "search", 0xe8b6},
    {"magnifyingglass.radar", "radar", 0xf04e},
    {"memorychip", "developer_board", 0xe30d},
    {"menubar.arrow.up.rectangle", "web_asset", 0xe069},
    {"network", "lan", 0xeb2f},
    {"network.badge.shield.half.filled", "vpn_lock", 0xe62f},
    {"paintbrush.fill", "brush", 0xe3ae},
    {"paintpalette.fill", "palette", 0xe40a},
    {"paperplane.fill", "send", 0xe163},
    {"play.desktopcomputer", "ondemand_video", 0xe63a},
    {"play.fill", "play_arrow", 0xe037},
    {"play.rectangle", "smart_display", 0xf06a},
    {"power", "power_settings_new", 0xe8ac},
    {"safari.fill", "explore", 0xe87a},
    {"server.rack", "dns", 0xe875},
    {"shield.checkered", "policy", 0xea17},
    {"shield.fill", "shield", 0xe9e0},
    {"shippingbox.circle.fill", "archive", 0xe149},
    {"shippingbox.fill", "inventory_2", 0xe1a1},
    {"slider.horizontal.3", "tune", 0xe429},
    {"snowflake", "ac_unit", 0xeb3b},
    {"sparkles", "auto_awesome", 0xe65f},
    {"speedometer", "speed", 0xe9e4},
    {"square", "check_box_outline_blank", 0xe835},
    {"square.and.arrow.up", "ios_share", 0xe6b8},
    {"terminal", "terminal", 0xeb8e},
    {"terminal.fill", "terminal", 0xeb8e},
    {"thermometer.high", "device_thermostat", 0xe1ff},
    {"thermometer.medium", "thermostat", 0xf076},
    {"trash", "delete_outline", 0xe92e},
    {"trash.circle.fill", "delete_forever", 0xe92b},
    {"trash.fill", "delete", 0xe872},
    {"waveform.path.ecg", "monitor_heart", 0xeaa2},
    {"wifi", "wifi", 0xe63e},
    {"wifi.router.fill", "router", 0xe328},
    {"wind", "air", 0xefd8},
    {"xmark.circle.fill", "cancel", 0xe5c9},
};

const QHash<QString, const Glyph*>& glyphIndex()
{
    static const QHash<QString, const Glyph*> index = [] {
        QHash<QString, const Glyph*> map;
        for (const Glyph& glyph : kGlyphs)
            map.insert(QString::fromLatin1(glyph.name), &glyph);
        return map;
    }();
    return index;
}

QString& loadedFamily()
{
    static QString family;
    return family;
}

bool& loadAttempted()
{
    static bool attempted = false;
    return attempted;
}

void paintPlaceholder(QPainter& painter, const QRectF& box, const QColor& color, qreal pixelSize)
{
    const qreal side = std::max<qreal>(6.0, pixelSize * 0.8);
    const QRectF square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    QPen pen(color, std::max<qreal>(1.0, side / 10));
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(0.5, 0.5, -0.5, -0.5), side / 5, side / 5);
    QFont mark = painter.font();
    mark.setPixelSize(std::max(4, int(side * 0.7)));
    mark.setBold(true);
    painter.setFont(mark);
    painter.drawText(square, Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

bool SymbolIcon::loadFont()
{
    if (loadAttempted())
        return !loadedFamily().isEmpty();
    loadAttempted() = true;
    if (QFile::exists(QString::fromLatin1(kFontPath))) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontPath));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            loadedFamily() = families.first();
    }
    // Installed somewhere else (another prefix, a user font folder).
    if (loadedFamily().isEmpty() && QFontDatabase::families().contains(QString::fromLatin1(kFamily)))
        loadedFamily() = QString::fromLatin1(kFamily);
    return !loadedFamily().isEmpty();
}

bool SymbolIcon::isFontLoaded() { return !loadedFamily().isEmpty(); }

QString SymbolIcon::fontFamily() { return loadedFamily(); }

std::optional<char32_t> SymbolIcon::codepoint(const QString& name)
{
    const Glyph* glyph = glyphIndex().value(name);
    if (!glyph)
        return std::nullopt;
    return glyph->codepoint;
}

bool SymbolIcon::resolves(const QString& name)
{
    const auto point = codepoint(name);
    if (!point || !isFontLoaded())
        return false;
    return QRawFont::fromFont(font(24)).supportsCharacter(uint(*point));
}

QStringList SymbolIcon::knownNames()
{
    QStringList names;
    for (const Glyph& glyph : kGlyphs)
        names << QString::fromLatin1(glyph.name);
    return names;
}

QFont SymbolIcon::font(qreal pixelSize)
{
    const int pixels = std::max(1, int(pixelSize + 0.5));
    // Each size used is kept, its font engine loaded: Qt's font cache lets an
    // engine nobody holds go after a while, and loading this font's engine
    // again costs far more than drawing many glyphs (a glyph drawn now and
    // then, into a fresh sprite, paid it each time).
    static QHash<int, QFont> kept;
    constexpr qsizetype kSizesKept = 48;
    const bool loaded = isFontLoaded();
    if (loaded) {
        if (const auto found = kept.constFind(pixels); found != kept.cend())
            return *found;
    }
    QFont f(loaded ? fontFamily() : QString::fromLatin1(kFamily));
    f.setPixelSize(pixels);
    // A glyph the icon font lacks must not be drawn from some other font.
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferAntialias));
    f.setHintingPreference(QFont::PreferNoHinting);
    if (loaded && kept.size() < kSizesKept) {
        QFontMetricsF(f).height(); // loads the engine this copy holds on to
        kept.insert(pixels, f);
    }
    return f;
}

qreal SymbolIcon::pixelSizeFor(qreal pointSize)
{
    // Material glyphs fill about 20/24 of their em square; symbols set next
    // to text are drawn about as tall as the text's line.
    return pointSize * 1.25;
}

void SymbolIcon::paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& color, qreal pixelSize)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Glyph* glyph = glyphIndex().value(name);
    if (!glyph || !isFontLoaded()) {
        paintPlaceholder(painter, box, color, pixelSize);
        painter.restore();
        return;
    }
    const QFont f = font(pixelSize);
    painter.setFont(f);
    painter.setPen(color);
    const QString text = QString::fromUcs4(&glyph->codepoint, 1);
    // Each glyph sits in an em square that ends on the baseline; centre the
    // square, not the ink, so symbols of one row line up with each other.
    const QFontMetricsF metrics(f);
    const qreal em = f.pixelSize();
    const qreal advance = metrics.horizontalAdvance(text);
    painter.translate(box.center());
    if (glyph->rotation != 0)
        painter.rotate(glyph->rotation);
    painter.drawText(QPointF(-advance / 2, em / 2), text);
    painter.restore();
}

QPixmap SymbolIcon::pixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio)
{
    QPixmap pm(QSize(size, size) * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    paint(painter, QRectF(0, 0, size, size), name, color, size);
    return pm;
}

QIcon SymbolIcon::icon(const QString& name, const QColor& color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, size, 1.0));
    result.addPixmap(pixmap(name, color, size, 2.0));
    return result;
}
