#pragma once

#include "theme/VisualEffectMaterial.h"

#include <QColor>
#include <QWidget>

// The backdrop of the popover. The desktop blurs nothing behind our
// windows, so each material becomes its own dark tint: translucent when the
// hosting window is (a compositor shows what lies behind), opaque otherwise.
// Like the platform view it stands in for, it takes its material the first
// time it is drawn and keeps it; later settings change nothing.
class VisualEffectView : public QWidget {
    Q_OBJECT

public:
    enum class BlendingMode { behindWindow, withinWindow };

    VisualEffectView(VisualEffectMaterial material, BlendingMode blendingMode, QWidget* parent = nullptr);

    // Asks for a material: applies only before the view is first drawn.
    void setMaterial(VisualEffectMaterial material);
    VisualEffectMaterial material() const { return m_made ? m_appliedMaterial : m_material; }
    BlendingMode blendingMode() const { return m_blendingMode; }
    bool isMade() const { return m_made; }

    // The tint of a material, opaque or with the translucency it has when
    // the desktop shows through.
    static QColor tint(VisualEffectMaterial material, bool translucent);

    // Corner radius of the backdrop in a translucent window.
    static constexpr qreal kCornerRadius = 12;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VisualEffectMaterial m_material;
    VisualEffectMaterial m_appliedMaterial;
    BlendingMode m_blendingMode;
    bool m_made = false;
};
