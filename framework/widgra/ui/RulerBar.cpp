#include "framework/widgra/ui/StatusBars.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "platform/ui/View.h"

#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolBar>

#include <cmath>

namespace {

// Major ticks stand at least this far apart.
constexpr double kMinMajorGap = 60.0;
constexpr UINT kAddHorzGuide = WM_USER + 4;
constexpr UINT kAddVertGuide = WM_USER + 5;

QWidget* ViewWidget()
{
    CView* view = gGetView();
    return view != nullptr ? view->GetWidget() : nullptr;
}

// The strip: paints the ruler and turns a drag into the view into a guide line.
class RulerStrip : public QWidget {
public:
    RulerStrip(CQVRulerBar* ruler, QWidget* parent) : QWidget(parent), m_ruler(ruler)
    {
        if (ruler->IsHorizontal()) {
            setFixedHeight(CQVRulerBar::kThickness);
            setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        } else {
            setFixedWidth(CQVRulerBar::kThickness);
            setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        }
        setCursor(ruler->IsHorizontal() ? Qt::SplitVCursor : Qt::SplitHCursor);
        // The view moves and zooms without telling the ruler: follow it.
        auto* timer = new QTimer(this);
        QObject::connect(timer, &QTimer::timeout, this, [this] {
            const QString state = State();
            if (state != m_lastState) {
                m_lastState = state;
                update();
            }
        });
        timer->start(100);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_ruler->PaintStrip(painter);
    }
    void mousePressEvent(QMouseEvent* e) override { m_dragging = e->button() == Qt::LeftButton; }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!m_dragging || e->button() != Qt::LeftButton) return;
        m_dragging = false;
        QWidget* view = ViewWidget();
        if (view == nullptr) return;
        const QPoint at = view->mapFromGlobal(e->globalPosition().toPoint());
        if (view->rect().contains(at)) m_ruler->DropGuideLine(at);
    }

private:
    QString State() const
    {
        const CLooker* looker = gGetLooker();
        const CQVGlobal* global = gGetQVGlobal();
        if (looker == nullptr) return QString();
        double org[2] = {0, 0};
        looker->GetOrgPoint(org);
        QWidget* view = ViewWidget();
        const QPoint at = view != nullptr ? view->mapTo(view->window(), QPoint(0, 0)) : QPoint();
        // The view keeps its centre when it is resized, so its size moves the scale too.
        const QSize size = view != nullptr ? view->size() : QSize();
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
            .arg(looker->GetScale())
            .arg(org[0])
            .arg(org[1])
            .arg(global != nullptr ? global->m_nUnit : 0)
            .arg(at.x())
            .arg(at.y())
            .arg(m_ruler->GetMouseMark())
            .arg(size.width())
            .arg(size.height());
    }

    CQVRulerBar* m_ruler;
    bool m_dragging = false;
    QString m_lastState;
};

// Step between major ticks in the unit: 1, 2 or 5 times a power of ten, the
// smallest whose gap is not below kMinMajorGap pixels.
double MajorStep(double pixelsPerUnit)
{
    if (!(pixelsPerUnit > 0) || !std::isfinite(pixelsPerUnit)) return 0;
    double step = std::pow(10.0, std::floor(std::log10(kMinMajorGap / pixelsPerUnit)));
    for (;;) {
        for (double factor : {1.0, 2.0, 5.0})
            if (step * factor * pixelsPerUnit >= kMinMajorGap) return step * factor;
        step *= 10.0;
    }
}

}  // namespace

BOOL CQVRulerBar::Create(CWnd* parent, UINT id)
{
    if (!CreatePane(parent, WS_CHILD | WS_VISIBLE, id)) return FALSE;
    QWidget* bar = GetWidget();
    if (bar == nullptr) return FALSE;
    m_pStrip = new RulerStrip(this, bar);
    if (auto* toolBar = qobject_cast<QToolBar*>(bar)) {
        toolBar->setOrientation(m_bHorizontal ? Qt::Horizontal : Qt::Vertical);
        toolBar->setContentsMargins(0, 0, 0, 0);
        toolBar->addWidget(m_pStrip);
        // A line of its own next to the view: bars on the same line would
        // squeeze the scale.
        if (auto* window = qobject_cast<QMainWindow*>(toolBar->parentWidget())) window->insertToolBarBreak(toolBar);
    }
    return TRUE;
}

void CQVRulerBar::DrawMouse(int viewPixel)
{
    if (m_nMouse == viewPixel) return;
    m_nMouse = viewPixel;
    if (m_pStrip != nullptr) m_pStrip->update();
}

double CQVRulerBar::ViewToStrip(double viewPixel) const
{
    QWidget* view = ViewWidget();
    if (view == nullptr || m_pStrip == nullptr) return viewPixel;
    const QPoint origin = m_pStrip->mapFromGlobal(view->mapToGlobal(QPoint(0, 0)));
    return viewPixel + (m_bHorizontal ? origin.x() : origin.y());
}

double CQVRulerBar::StripToView(double stripPixel) const { return stripPixel - (ViewToStrip(0.0) - 0.0); }

std::vector<CQVRulerBar::Tick> CQVRulerBar::MajorTicks() const
{
    std::vector<Tick> ticks;
    const CLooker* looker = gGetLooker();
    if (looker == nullptr || m_pStrip == nullptr) return ticks;
    const double unitsPerMm = MM2CUR(1.0);
    const double step = MajorStep(looker->GetScale() / unitsPerMm);
    if (step <= 0) return ticks;
    const int length = m_bHorizontal ? m_pStrip->width() : m_pStrip->height();
    // The world coordinate along the ruler at both ends of the strip.
    auto worldAt = [&](double stripPixel) {
        const double viewPixel = StripToView(stripPixel);
        double world[2] = {0, 0};
        looker->ScreentoWorld2D(m_bHorizontal ? CPoint(static_cast<int>(viewPixel), 0)
                                              : CPoint(0, static_cast<int>(viewPixel)),
                                world);
        return m_bHorizontal ? world[0] : world[1];
    };
    const double a = MM2CUR(worldAt(0)), b = MM2CUR(worldAt(length));
    const double low = std::min(a, b) - step, high = std::max(a, b) + step;
    for (double k = std::ceil(low / step); k * step <= high; k += 1.0) {
        const double value = k * step;
        const double mm = CUR2MM(value);
        const double world[2] = {m_bHorizontal ? mm : 0.0, m_bHorizontal ? 0.0 : mm};
        double pixel[2] = {0, 0};
        looker->WorldtoScreen2D(world, pixel);
        const double along = ViewToStrip(m_bHorizontal ? pixel[0] : pixel[1]);
        if (along >= 0 && along <= length) ticks.push_back(Tick{value, along});
    }
    return ticks;
}

void CQVRulerBar::PaintStrip(QPainter& painter)
{
    const QRect area = m_pStrip->rect();
    painter.fillRect(area, QColor(245, 245, 238));
    painter.setPen(QColor(150, 150, 140));
    if (m_bHorizontal) painter.drawLine(area.bottomLeft(), area.bottomRight());
    else painter.drawLine(area.topRight(), area.bottomRight());
    const std::vector<Tick> ticks = MajorTicks();
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    const int t = kThickness;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const int p = static_cast<int>(std::lround(ticks[i].pixel));
        const QString label = QString::number(ticks[i].value, 'g', 6);
        if (m_bHorizontal) {
            painter.drawLine(p, t - 12, p, t);
            painter.drawText(p + 2, 9, label);
        } else {
            painter.drawLine(t - 12, p, t, p);
            painter.save();
            painter.translate(9, p - 2);
            painter.rotate(-90);
            painter.drawText(0, 0, label);
            painter.restore();
        }
        // Four minor ticks between majors.
        if (i + 1 < ticks.size()) {
            const double gap = (ticks[i + 1].pixel - ticks[i].pixel) / 5.0;
            for (int m = 1; m < 5; ++m) {
                const int q = static_cast<int>(std::lround(ticks[i].pixel + m * gap));
                if (m_bHorizontal) painter.drawLine(q, t - 5, q, t);
                else painter.drawLine(t - 5, q, t, q);
            }
        }
    }
    if (m_nMouse >= 0) {
        const int p = static_cast<int>(std::lround(ViewToStrip(m_nMouse + m_nOffset)));
        painter.setPen(QColor(200, 0, 0));
        if (m_bHorizontal) painter.drawLine(p, 0, p, t);
        else painter.drawLine(0, p, t, p);
    }
}

BOOL CQVRulerBar::DropGuideLine(const QPoint& viewPixel)
{
    CQVGlobal* global = gGetQVGlobal();
    const CLooker* looker = gGetLooker();
    CView* view = gGetView();
    if (global == nullptr || looker == nullptr || view == nullptr) return FALSE;
    double world[2] = {0, 0};
    looker->ScreentoWorld2D(CPoint(viewPixel.x(), viewPixel.y()), world);
    global->m_ptGuide[0] = world[0];
    global->m_ptGuide[1] = world[1];
    view->SendMessage(m_bHorizontal ? kAddHorzGuide : kAddVertGuide, 0, 0);
    return TRUE;
}
