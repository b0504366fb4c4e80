#pragma once

#include <QImage>
#include <QRectF>
#include <QStringList>

class QPainter;

// The application's "logo" image, wherever a view shows it: an image
// installed in the application's data folders first, then the one built
// into the program. Views fall back to a symbol when none loads.
class AppLogo {
public:
    // The places looked at, in order.
    static QStringList defaultPaths();
    // The first image in `paths` that loads; null if none does.
    static QImage find(const QStringList& paths);
    static QImage find() { return find(defaultPaths()); }
    // Draws the image scaled to fit `box`, centred, with rounded corners.
    static void paint(QPainter& painter, const QRectF& box, const QImage& image, qreal cornerRadius);
};
