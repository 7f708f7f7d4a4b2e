// A full 2D repaint of the program's view after one zoom step (x1.2 in, then
// out again), with a drawing of line and arc entities spread over the whole
// view. The peer draws the same display polylines, recorded from the same
// entities at the same scale, with QPainter::drawPolyline on a QImage of the
// view's size (background fill included, the pen changed where the colour
// changes, entities within one pixel drawn as that pixel). "peer_ratio" is the view's time over the peer's; "fps" the view's
// frames per second; "peer_ratio_cpu" the same ratio of thread CPU times. The
// program runs in-process on the offscreen platform. The view draws from the
// database's packed repaint data; the EntityByEntity cases draw each entity
// from its own blocks, as the database does without them.

#include "ThreadClock.h"

#include "app/KorvelApp.h"
#include "app/KorvelView.h"
#include "app/MainFrame.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/RecordingDC.h"
#include "platform/ui/QtApp.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kZoomStep = 1.2;
constexpr int kViewWidth = 1200;
constexpr int kViewHeight = 800;

// The program started once for all benchmarks, in a folder of its own.
struct Program {
    QTemporaryDir dir;
    std::vector<std::string> args{"korvel"};
    std::vector<char*> argv;
    std::unique_ptr<CKorvelApp> app;
    CKorvelView* view = nullptr;

    bool Start()
    {
        if (!dir.isValid()) return false;
        const std::string root = dir.path().toStdString();
        std::filesystem::create_directories(root + "/home");
        ::setenv("HOME", (root + "/home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        if (!AfxEnsureQtApplication()) return false;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("profile"));
        for (std::string& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        app = std::make_unique<CKorvelApp>();
        app->m_argc = static_cast<int>(args.size());
        app->m_argv = argv.data();
        if (!app->InitApplication() || !app->InitInstance()) return false;
        auto* frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
        if (frame == nullptr) return false;
        view = dynamic_cast<CKorvelView*>(frame->GetActiveView());
        if (view == nullptr) return false;
        frame->GetWidget()->resize(kViewWidth, kViewHeight);
        frame->RecalcLayout();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        return gGetLooker() != nullptr && CDBase::IsLiving();
    }

    void Stop()
    {
        if (app == nullptr) return;
        if (app->m_pMainWnd != nullptr) app->m_pMainWnd->SendMessage(WM_CLOSE);
        app->ExitInstance();
        app.reset();
        looker::testing::ResetAppSlots();
        looker::testing::ResetQVGlobal();
    }
};

Program* g_program = nullptr;

// n entities on a square lattice, lines and arcs alternating, a few colours.
void FillDrawing(int n)
{
    CDBase* db = CDBase::Instance();
    db->DelAllEnt();
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200)};
    for (int i = 0; i < n; ++i) {
        const double x = (i % side) * 10.0, y = (i / side) * 10.0;
        CGeCurve* curve = nullptr;
        if (i % 2 == 0) {
            const double a[2] = {x, y}, b[2] = {x + 8.0, y + 3.0 + (i % 7) * 0.5};
            curve = new CGeLine(a, b);
        } else {
            auto* arc = new CGeArc;
            const double c[2] = {x + 5.0, y + 5.0};
            arc->CreateCSEAngle(c, 3.0 + (i % 5) * 0.3, 0.1 * (i % 11), 0.1 * (i % 11) + 4.0);
            curve = arc;
        }
        auto* entity = new CDbCurve(curve);
        entity->SetColor(colours[(i / 16) % 4]);
        db->AddTail(entity);
    }
    BOX2<double> box;
    db->GetBox2D(&box);
    gGetLooker()->ZoomBox(box);
}

// The polylines the entities draw at the current view, with their pen colours.
struct Stroke {
    QColor colour;
    std::vector<QPoint> points;
};

std::vector<Stroke> RecordStrokes()
{
    CLooker* looker = gGetLooker();
    looker->UpdateViewRect();
    looker->UpdateViewBox();
    RecordingDC dc;
    dc.SetClipBox(looker->GetViewRect());
    CDBase::Instance()->DrawAllUnSel(&dc, 0, 1, 1);
    std::vector<Stroke> strokes;
    for (const DCRecord& r : dc.GetRecords()) {
        if (r.kind != DCRecord::Polyline && r.kind != DCRecord::SetPixel) continue;
        Stroke s;
        s.colour = QColor(GetRValue(r.pen.colour), GetGValue(r.pen.colour), GetBValue(r.pen.colour));
        for (const POINT& p : r.points) s.points.emplace_back(p.x, p.y);
        strokes.push_back(std::move(s));
    }
    return strokes;
}

void PeerFrame(QImage& image, const std::vector<Stroke>& strokes)
{
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    QColor current = Qt::transparent;
    for (const Stroke& s : strokes) {
        if (s.colour != current) {
            current = s.colour;
            QPen pen(current, 0);
            pen.setCosmetic(true);
            painter.setPen(pen);
        }
        if (s.points.size() == 1)
            painter.drawPoint(s.points[0]);  // an entity smaller than a pixel
        else
            painter.drawPolyline(s.points.data(), static_cast<int>(s.points.size()));
    }
}

using Clock = std::chrono::steady_clock;

// Repaints after zoom steps at `magnify` times the scale that shows the whole
// drawing; the entities outside the view at that scale are never drawn.
void RunZoomRepaint(benchmark::State& state, double magnify, bool packed = true)
{
    if (g_program == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    FillDrawing(static_cast<int>(state.range(0)));
    CDBase::Instance()->SetRepaintCacheUse(packed);
    CLooker* looker = gGetLooker();
    CKorvelView* view = g_program->view;
    const double scale = looker->GetScale() * magnify;
    looker->SetScale(scale);
    const double scales[2] = {scale * kZoomStep, scale};
    view->RedrawScreen();  // display points made once, as after loading

    std::vector<Stroke> strokes[2];
    std::size_t points = 0;
    for (int k = 0; k < 2; ++k) {
        looker->SetScale(scales[k]);
        strokes[k] = RecordStrokes();
        for (const Stroke& s : strokes[k]) points += s.points.size();
    }
    const CRect rect = looker->GetViewRect();
    QImage image(rect.Width(), rect.Height(), QImage::Format_RGB32);

    double viewSeconds = 0.0, peerSeconds = 0.0, viewCpu = 0.0, peerCpu = 0.0;
    const int builds = CDBase::Instance()->GetRepaintCacheBuilds();
    int k = 0;
    for (auto _ : state) {
        looker->SetScale(scales[k]);
        auto t0 = Clock::now();
        double c0 = ThreadCpuSeconds();
        view->RedrawScreen();
        viewCpu += ThreadCpuSeconds() - c0;
        viewSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        t0 = Clock::now();
        c0 = ThreadCpuSeconds();
        PeerFrame(image, strokes[k]);
        peerCpu += ThreadCpuSeconds() - c0;
        peerSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        k ^= 1;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["view_ms"] = viewSeconds / frames * 1e3;
    state.counters["peer_ms"] = peerSeconds / frames * 1e3;
    state.counters["peer_ratio"] = viewSeconds / peerSeconds;
    state.counters["peer_ratio_cpu"] = viewCpu / peerCpu;
    state.counters["fps"] = frames / viewSeconds;
    // Times the packed repaint data were made during the frames (0: no frame paid for it).
    state.counters["packs_made"] = CDBase::Instance()->GetRepaintCacheBuilds() - builds;
    state.counters["polyline_points"] = static_cast<double>(points / 2);
    state.counters["pixels"] = static_cast<double>(rect.Width()) * rect.Height();
    CDBase::Instance()->DelAllEnt();
    CDBase::Instance()->SetRepaintCacheUse(true);
}

void BM_ViewZoomRepaint(benchmark::State& state) { RunZoomRepaint(state, 1.0); }
BENCHMARK(BM_ViewZoomRepaint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A view on a small part of a large drawing (a twentieth of its width): most
// entities lie outside and are only rejected by their boxes.
void BM_ViewZoomedInRepaint(benchmark::State& state) { RunZoomRepaint(state, 20.0); }
BENCHMARK(BM_ViewZoomedInRepaint)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ViewZoomRepaintEntityByEntity(benchmark::State& state) { RunZoomRepaint(state, 1.0, false); }
BENCHMARK(BM_ViewZoomRepaintEntityByEntity)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ViewZoomedInRepaintEntityByEntity(benchmark::State& state) { RunZoomRepaint(state, 20.0, false); }
BENCHMARK(BM_ViewZoomedInRepaintEntityByEntity)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    Program program;
    if (program.Start()) g_program = &program;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program = nullptr;
    program.Stop();
    return 0;
}
