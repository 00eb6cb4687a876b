#include "ui/factory/uChartView.h"

#include <qcustomplot.h>

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QRandomGenerator>

#include <cmath>

namespace {
// Margin added beyond a value range end: 5 % of its size, at least 0.001 and at most 0.5.
double scaleMargin(double v)
{
    return qBound(0.001, std::fabs(v) * 0.05, 0.5);
}

// (r × n) / 2^32: a random number scaled into 0..n-1.
int bounded(quint32 r, int n)
{
    return int((quint64(r) * quint64(n)) >> 32);
}

QPen axisPen()
{
    return QPen(QColor(255, 255, 255, 120), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
} // namespace

uChartView::uChartView(QWidget *parent, const QString &title)
    : QWidget(parent), m_random(new QRandomGenerator(100)), m_title(title)
{
    m_plot = new QCustomPlot(this);
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectAxes | QCP::iSelectLegend);
    m_plot->setBackground(QBrush(QColor(22, 25, 41, 200)));

    const QFont tickFont(QStringLiteral("Microsoft YaHei"), 9);
    for (QCPAxis *axis : {m_plot->xAxis, m_plot->yAxis, m_plot->xAxis2, m_plot->yAxis2}) {
        axis->setBasePen(axisPen());
        axis->setTickLabelColor(Qt::yellow);
        axis->setTickLabelFont(tickFont);
    }
    m_plot->xAxis2->setVisible(true);
    m_plot->xAxis2->setTickLabels(false);
    m_plot->yAxis2->setVisible(true);
    m_plot->yAxis2->setTickLabels(false);
    connect(m_plot->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), m_plot->xAxis2,
            qOverload<const QCPRange &>(&QCPAxis::setRange));
    connect(m_plot->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), m_plot->yAxis2,
            qOverload<const QCPRange &>(&QCPAxis::setRange));

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd\nhh:mm:ss"));
    ticker->setTickCount(5);
    m_plot->xAxis->setTicker(ticker);
    // The window following starts from before the first point.
    m_plot->xAxis->setRange(0, DefaultSpan);

    m_plot->legend->setVisible(true);
    m_plot->legend->setSelectableParts(QCPLegend::spItems);
    m_plot->legend->setBrush(QBrush(QColor(255, 255, 255, 120)));

    m_groupBox = new QGroupBox(m_title, this);
    m_groupBox->setObjectName(QStringLiteral("widgetGroupBox_no_border"));
    m_groupGrid = new QGridLayout(m_groupBox);
    m_groupGrid->addWidget(m_plot, 0, 0, 10, 10);
    m_mainGrid = new QGridLayout(this);
    m_mainGrid->setSpacing(1);
    m_mainGrid->setContentsMargins(1, 1, 1, 1);
    m_mainGrid->addWidget(m_groupBox, 0, 0, 10, 10);
    setObjectName(QStringLiteral("stackedSubWidget_no_border"));

    m_menu = new QMenu(this);
    m_restoreAction = m_menu->addAction(QStringLiteral("恢复默认"));
    m_autoScaleAction = m_menu->addAction(QStringLiteral("y轴自动缩放"));
    m_followAction = m_menu->addAction(QStringLiteral("X轴自动平移"));
    m_clearAction = m_menu->addAction(QStringLiteral("清除数据"));
    for (QAction *a : m_menu->actions())
        a->setCheckable(true);
    m_autoScaleAction->setChecked(true);
    m_followAction->setChecked(true);

    connect(m_restoreAction, &QAction::triggered, this, [this] {
        if (m_lastKey == 0)
            m_plot->xAxis->setRange(0, DefaultSpan);
        else
            m_plot->xAxis->setRange(m_lastKey - DefaultSpan, m_lastKey);
        resumeAuto();
        m_restoreAction->setChecked(false);
        menuTouched();
    });
    connect(m_autoScaleAction, &QAction::triggered, this, [this](bool on) {
        m_autoScaleY = on;
        menuTouched();
    });
    connect(m_followAction, &QAction::triggered, this, [this](bool on) {
        m_followX = on;
        menuTouched();
    });
    connect(m_clearAction, &QAction::triggered, this, [this] {
        for (ChartSeries &s : m_series) {
            if (s.graph)
                s.graph->data()->clear();
            recountValueRange(s);
        }
        m_clearAction->setChecked(false);
        menuTouched();
    });

    connect(m_plot, &QCustomPlot::mousePress, this, &uChartView::handlePlotMousePress);
    connect(m_plot, &QCustomPlot::mouseWheel, this, &uChartView::handlePlotWheel);
}

uChartView::~uChartView()
{
    delete m_random;
}

qint64 uChartView::now() const
{
    return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch();
}

int uChartView::pointCount(int id) const
{
    const QCPGraph *g = graph(id);
    return g ? g->data()->size() : 0;
}

QColor uChartView::nextColour()
{
    const quint32 r1 = m_random->generate();
    const quint32 r2 = m_random->generate();
    const quint32 r3 = m_random->generate();
    return QColor(125 + bounded(r3, 130), 60 + bounded(r2, 195), 125 + bounded(r1, 130), 255);
}

QCPGraph *uChartView::newGraph(const QString &name, bool adaptiveSampling)
{
    QCPGraph *g = m_plot->addGraph();
    g->setPen(QPen(nextColour(), 1.8, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    g->setName(name);
    g->setLineStyle(QCPGraph::lsLine);
    g->setAdaptiveSampling(adaptiveSampling);
    return g;
}

bool uChartView::addSeries(int id, const QString &name, bool createGraph, bool adaptiveSampling)
{
    if (m_series.contains(id))
        return false;
    ChartSeries s;
    s.name = name;
    s.adaptiveSampling = adaptiveSampling;
    if (createGraph) {
        s.graph = newGraph(name, adaptiveSampling);
        resumeAuto();
    }
    m_series.insert(id, s);
    return true;
}

bool uChartView::addPoint(int id, double x, double y)
{
    auto it = m_series.find(id);
    if (it == m_series.end() || !it->graph)
        return false;
    it->graph->addData(x, y);
    if (!qIsNaN(y)) {
        it->lowest = it->hasValues ? qMin(it->lowest, y) : y;
        it->highest = it->hasValues ? qMax(it->highest, y) : y;
        it->hasValues = true;
    }
    m_lastKey = x;
    return true;
}

void uChartView::recountValueRange(ChartSeries &s)
{
    bool found = false;
    const QCPRange r = s.graph ? s.graph->getValueRange(found) : QCPRange();
    s.hasValues = found;
    s.lowest = found ? r.lower : 0;
    s.highest = found ? r.upper : 0;
}

void uChartView::setSeriesVisible(int id, bool visible)
{
    auto it = m_series.find(id);
    if (it == m_series.end())
        return;
    if (!visible) {
        if (it->graph)
            m_plot->removeGraph(it->graph);
        it->graph = nullptr;
        recountValueRange(*it);
    } else if (!it->graph) {
        // Showing a series that is already shown keeps its graph: a second graph would stay on the
        // plot unfed and untrimmed.
        it->graph = newGraph(it->name, it->adaptiveSampling);
        recountValueRange(*it);
        resumeAuto();
    }
    m_plot->replot();
}

void uChartView::refresh()
{
    if (now() - m_lastInteractionMs > ResumeAfterMs)
        resumeAuto();

    if (m_autoScaleY) {
        bool any = false;
        double lo = 0, hi = 0;
        for (const ChartSeries &s : qAsConst(m_series)) {
            if (!s.graph || !s.hasValues)
                continue;
            lo = any ? qMin(lo, s.lowest) : s.lowest;
            hi = any ? qMax(hi, s.highest) : s.highest;
            any = true;
        }
        m_plot->yAxis->setRange(lo - scaleMargin(lo), hi + scaleMargin(hi));
    }

    if (m_followX) {
        const double w = m_plot->xAxis->range().size();
        const double k = m_lastKey == 0 ? DefaultSpan : m_lastKey;
        m_plot->xAxis->setRange(k - w, k);
    }

    for (ChartSeries &s : m_series) {
        if (s.graph && s.graph->data()->size() > m_maxPoints) {
            s.graph->data()->removeBefore(m_lastKey - TrimKeepSpan);
            recountValueRange(s);
        }
    }

    m_plot->replot();
}

void uChartView::resumeAuto()
{
    m_autoScaleY = m_followX = true;
    m_restoreAction->setChecked(false);
    m_autoScaleAction->setChecked(true);
    m_followAction->setChecked(true);
    m_lastInteractionMs = now();
}

void uChartView::menuTouched()
{
    m_lastInteractionMs = now();
    m_plot->replot();
}

void uChartView::applyAxisDirection(bool zoom)
{
    Qt::Orientations o = Qt::Horizontal | Qt::Vertical;
    if (m_plot->xAxis->selectedParts().testFlag(QCPAxis::spAxis))
        o = Qt::Horizontal;
    else if (m_plot->yAxis->selectedParts().testFlag(QCPAxis::spAxis))
        o = Qt::Vertical;
    if (zoom)
        m_plot->axisRect()->setRangeZoom(o);
    else
        m_plot->axisRect()->setRangeDrag(o);
}

void uChartView::handlePlotMousePress(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        m_menu->popup(m_plot->mapToGlobal(event->pos()));
    applyAxisDirection(false);
}

void uChartView::handlePlotWheel(QWheelEvent *)
{
    m_autoScaleY = false;
    m_autoScaleAction->setChecked(false);
    m_lastInteractionMs = now();
    applyAxisDirection(true);
}

void uChartView::keyPressEvent(QKeyEvent *event)
{
    // Only the Ctrl key is an interaction with the chart; other keys leave the idle time running.
    if (event->key() == Qt::Key_Control) {
        m_plot->setSelectionRectMode(QCP::srmZoom);
        m_lastInteractionMs = now();
    }
    QWidget::keyPressEvent(event);
}

void uChartView::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Control) {
        m_plot->setSelectionRectMode(QCP::srmNone);
        m_lastInteractionMs = now();
    }
    QWidget::keyReleaseEvent(event);
}
