#pragma once

#include <QPointer>
#include <QWidget>

class QVariantAnimation;

// Holds the page of the tour's current step, filling the slot. A new page
// comes in from the trailing edge while the old one leaves towards the
// leading edge (0.3 s, ease in and out); the old one is deleted at the end.
class TourPageSlot : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSlideMs = 300;

    explicit TourPageSlot(QWidget* parent = nullptr);

    QWidget* page() const { return m_page; }
    // Takes ownership; slides unless `animated` is false or animations are off.
    void setPage(QWidget* page, bool animated);
    bool isSliding() const;

    // As tall as the current page wants to be.
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void place(qreal progress);
    static void retire(QWidget* page);

    QPointer<QWidget> m_page;
    QPointer<QWidget> m_leaving;
    QVariantAnimation* m_slide;
};
