#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// The machine's symbol on an 80-point rounded tile, both painted with the
// theme's accent-to-second-colour gradient.
class SystemInfoIconTile : public QWidget {
    Q_OBJECT

public:
    SystemInfoIconTile(const QString& symbol, const UiColor& accent, const UiColor& second, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setColors(const UiColor& accent, const UiColor& second);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    UiColor m_accent;
    UiColor m_second;
};
