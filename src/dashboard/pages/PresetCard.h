#pragma once

#include "telemetry/PerformancePreset.h"
#include "theme/UiColor.h"

#include <QAbstractButton>

class LineClampLabel;
class PlainLabel;
class PresetIconDisc;
class SymbolView;

// One preset of the configurator's grid, as a plain button: the preset's
// icon disc, a check (active) or an empty ring, its name and up to two
// lines of its description, on a plate tinted by the preset's colour when
// it is the active one.
class PresetCard : public QAbstractButton {
    Q_OBJECT

public:
    PresetCard(PerformancePreset preset, const UiColor& color, QWidget* parent = nullptr);

    PerformancePreset preset() const { return m_preset; }
    bool isActive() const { return m_active; }
    void setActive(bool active);

    UiColor fill() const;
    UiColor outline() const;
    PresetIconDisc* iconDisc() const { return m_disc; }
    LineClampLabel* descriptionLabel() const { return m_description; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PerformancePreset m_preset;
    UiColor m_color;
    bool m_active = false;
    PresetIconDisc* m_disc;
    SymbolView* m_check;
    QWidget* m_ring;
    PlainLabel* m_name;
    LineClampLabel* m_description;
};
