#pragma once

#include "dashboard/tour/OnboardingTourView.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;
class Scheduler;
class TourButton;
class TourCardFrame;
class TourPageSlot;
class TourStepDots;

// What the tour draws over the whole dashboard window: a black backdrop
// (0.75 on steps 0 to 3, none on 4 and 5) and the card with the step dots,
// the step's page, a divider and the footer buttons. The card is 520 x 380
// and centred on steps 0 to 3; 460 x 340 and moved aside on steps 4 and 5,
// where the dashboard around it stays clickable; a page that needs more
// height than that makes the card taller (the sidebar and the
// popover are what those steps show). It owns the tour's controller and
// runs it only while on screen.
class OnboardingTourOverlay : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBackdropMs = 300;
    static constexpr int kCardMs = 500;

    explicit OnboardingTourOverlay(OnboardingTourView::Deps deps, QWidget* parent = nullptr);
    ~OnboardingTourOverlay() override;

    // Makes every dashboard root show this overlay while its tour is on.
    // Null: the system scheduler.
    static void install(Scheduler* scheduler = nullptr);

    OnboardingTourView* tour() const { return m_tour; }
    TourButton* backButton() const { return m_back; }
    TourButton* skipButton() const { return m_skip; }
    TourButton* primaryButton() const { return m_primary; }
    TourPageSlot* pageSlot() const { return m_slot; }
    TourStepDots* dots() const { return m_dots; }
    QWidget* card() const;

    static QSize cardSize(int step);
    static QPoint cardOffset(int step);
    static double backdropOpacity(int step);
    // Where the card settles for a step, in this widget.
    QRect cardTarget(int step) const;
    double backdrop() const { return m_backdrop; }
    // Whether clicks outside the card reach the dashboard below.
    bool passesClicksThrough() const { return geometry() != dashboardRect(); }
    // Once the tour is hidden the card stands still as a picture while the
    // overlay fades: nothing in it moves or repaints any more.
    bool isFrozen() const { return !m_still.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildCard();
    void applyTheme();
    void refreshFooter();
    void stepChanged(int oldStep, int newStep);
    void moveCard(const QRectF& to);
    void settleCard();
    void freeze();
    void syncCover();
    void setBackdrop(double opacity);
    void updateMask();
    // Clicks reach the dashboard outside `area`; empty: nowhere.
    void setClickArea(const QRect& area);
    // The dashboard's rect, which the overlay covers unless it has shrunk
    // to the card; rects here are in its coordinates.
    QRect dashboardRect() const;
    QRect local(const QRect& r) const { return r.translated(-pos()); }
    QRect shadowBounds(const QRectF& card) const;
    const QPixmap& glow(const QSize& size);

    OnboardingTourView* m_tour;
    TourCardFrame* m_card = nullptr;
    TourStepDots* m_dots = nullptr;
    TourPageSlot* m_slot = nullptr;
    TourButton* m_back = nullptr;
    TourButton* m_skip = nullptr;
    TourButton* m_primary = nullptr;
    QVariantAnimation* m_cardMove;
    QVariantAnimation* m_backdropFade;
    QRectF m_cardRect;
    double m_backdrop;
    QPixmap m_glow;
    QPixmap m_still;
    QColor m_glowColor;
    // Under the card, in the dashboard (see syncCover()).
    QPointer<QWidget> m_cover;
};
