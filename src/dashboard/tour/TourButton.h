#pragma once

#include "theme/AppTheme.h"

#include <QAbstractButton>

// The footer buttons of the tour's card, drawn without any system bezel.
// Back: bold secondary text on faint white. Skip: plain secondary text.
// Primary: bold text on the theme's two-colour gradient, white or black by
// contrast with it; disabled, dim text on faint white.
class TourButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Role { back, skip, primary };

    TourButton(Role role, const QString& text, QWidget* parent = nullptr);

    Role role() const { return m_role; }
    void setTheme(AppTheme theme);
    // The text colour of the enabled primary button in `theme`.
    static QColor primaryInk(AppTheme theme);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Role m_role;
    AppTheme m_theme = AppTheme::standard;
};
