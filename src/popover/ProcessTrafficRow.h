#pragma once

#include <QIcon>
#include <QList>
#include <QPair>
#include <QWidget>

#include <functional>

class ElidedLabel;
class KeyedRowList;
struct ProcessInfoData;
class PlainLabel;
class ProcessIconView;

// The process line of the disk and network pages: the application's image
// (or a white "app.fill"), the name, and two traffic figures at the right.
// The row draws no figures itself; the page hands it the texts it drew when
// its list refreshed. The name's tool tip is always the full path; a full
// path that does not fit keeps its end, a short name keeps its start.
class ProcessTrafficRow : public QWidget {
    Q_OBJECT

public:
    // `figureWidth` > 0 puts each figure right-aligned in a frame that wide;
    // 0 lets each take the width of its text.
    explicit ProcessTrafficRow(int figureWidth, QWidget* parent = nullptr);

    // `showFullPath` shows `fullPath` in place of `name`.
    void setInputs(const QIcon& image, const QString& name, const QString& fullPath, bool showFullPath,
                   const QString& firstFigure, const QString& secondFigure);

    // Brings `list` to one row per process, keyed by pid, asking `figures`
    // for each row's two texts in list order.
    static void showProcesses(KeyedRowList* list, const QList<ProcessInfoData>& processes, bool showFullPath,
                              int figureWidth, const std::function<QPair<QString, QString>()>& figures);

    ProcessIconView* iconView() const { return m_icon; }
    ElidedLabel* nameLabel() const { return m_name; }
    PlainLabel* firstFigure() const { return m_first; }
    PlainLabel* secondFigure() const { return m_second; }

private:
    ProcessIconView* m_icon;
    ElidedLabel* m_name;
    PlainLabel* m_first;
    PlainLabel* m_second;
};
