#pragma once

#include <QColor>
#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>

class QAction;
class QCPGraph;
class QCustomPlot;
class QGridLayout;
class QGroupBox;
class QMenu;
class QMouseEvent;
class QRandomGenerator;
class QWheelEvent;

// A live line chart of numbered series against a running x (seconds): follows the newest data, scales
// the vertical axis to the data, bounds the memory of each series, zooms with the wheel or (Ctrl held)
// a dragged rectangle, and offers a context menu (restore, auto-scale, follow, clear). Five minutes
// after the last interaction both automatic modes come back on by themselves. GUI thread only.
class uChartView : public QWidget
{
    Q_OBJECT
public:
    struct ChartSeries
    {
        QString name;
        QCPGraph *graph = nullptr; // null while hidden or created without a graph
        bool adaptiveSampling = false;
        // Value range of the graph's data, kept as points come so that scaling need not walk them all.
        double lowest = 0;
        double highest = 0;
        bool hasValues = false;
    };

    // A series holds at most this many points before refresh() trims it.
    static constexpr int MaxPoints = 50000;
    // Trimming keeps the points of this many x units (seconds) before the newest point.
    static constexpr double TrimKeepSpan = 300;
    // Without interaction for this long, refresh() turns following and auto-scaling back on.
    static constexpr qint64 ResumeAfterMs = 300000;
    // Width of the window the view starts with and restores to.
    static constexpr double DefaultSpan = 25;

    uChartView(QWidget *parent, const QString &title);
    ~uChartView() override;

    // False, changing nothing, when id exists already.
    bool addSeries(int id, const QString &name, bool createGraph, bool adaptiveSampling);
    // False when id is unknown or has no graph; does not redraw.
    bool addPoint(int id, double x, double y);
    // Hiding drops the series' graph and its data; showing starts an empty graph with a new colour.
    void setSeriesVisible(int id, bool visible);
    // Resumes the automatic modes after a long idle time, scales, follows, trims and redraws.
    void refresh();

    // Read-outs for the page, tests and the benchmark.
    QCustomPlot *plot() const { return m_plot; }
    QCPGraph *graph(int id) const { return m_series.value(id).graph; }
    int pointCount(int id) const;
    double lastKey() const { return m_lastKey; }
    bool autoScaleY() const { return m_autoScaleY; }
    bool followX() const { return m_followX; }
    QMenu *contextMenu() const { return m_menu; }
    QAction *restoreAction() const { return m_restoreAction; }
    QAction *autoScaleAction() const { return m_autoScaleAction; }
    QAction *followAction() const { return m_followAction; }
    QAction *clearAction() const { return m_clearAction; }
    // Test hook: milliseconds since the epoch (the wall clock by default).
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private slots:
    void handlePlotMousePress(QMouseEvent *event);
    void handlePlotWheel(QWheelEvent *event);

private:
    QCPGraph *newGraph(const QString &name, bool adaptiveSampling);
    static void recountValueRange(ChartSeries &s);
    QColor nextColour();
    void resumeAuto();
    void applyAxisDirection(bool zoom);
    void menuTouched();
    qint64 now() const;

    QCustomPlot *m_plot = nullptr;
    QGridLayout *m_mainGrid = nullptr;
    QGridLayout *m_groupGrid = nullptr;
    QGroupBox *m_groupBox = nullptr;
    double m_maxPoints = MaxPoints;
    QMap<int, ChartSeries> m_series;
    QColor m_colour = Qt::black;
    QMenu *m_menu = nullptr;
    QAction *m_followAction = nullptr;
    QAction *m_autoScaleAction = nullptr;
    QAction *m_restoreAction = nullptr;
    QAction *m_clearAction = nullptr;
    double m_lastKey = 0;
    bool m_autoScaleY = true;
    bool m_followX = true;
    QRandomGenerator *m_random = nullptr;
    qint64 m_lastInteractionMs = 0;
    QString m_title;
    std::function<qint64()> m_clock;
};
