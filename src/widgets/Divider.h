#pragma once

#include <QWidget>

// A one-pixel horizontal rule across the full width, in the separator
// colour of the scheme it sits in.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
