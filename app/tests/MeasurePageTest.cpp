// The area measure's result page as the user sees it: a page of the design-centre
// pane whose five edits show the results of curves picked with the mouse.
#include "ViewInput.h"

#include "app/DlgMeasure.h"
#include "app/KorvelIds.h"
#include "app/MeaAreaCmd.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeCircle.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QStackedLayout>

#include <cmath>
#include <numbers>

using namespace korvel_test;

namespace {

class MeasurePageTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_pane = gGetPaneDCenter();
        ASSERT_NE(m_pane, nullptr);
        ASSERT_NE(m_pane->GetWidget(), nullptr);
        m_stack = qobject_cast<QStackedLayout*>(m_pane->GetWidget()->layout());
        ASSERT_NE(m_stack, nullptr);
    }

    // A circle through the pixel `edge` around the pixel `centre`; its radius in mm.
    double AddCircle(QPoint centre, QPoint edge)
    {
        const Position c = WorldAt(centre), e = WorldAt(edge);
        const double r = std::hypot(e.x - c.x, e.y - c.y);
        const double at[2] = {c.x, c.y};
        CDBase::Instance()->AddTail(new CDbCurve(new CGeCircle(at, r, 1)));
        return r;
    }

    void ClickWith(QPoint at, Qt::KeyboardModifiers modifiers)
    {
        QTest::mousePress(m_widget, Qt::LeftButton, modifiers, at);
        QTest::mouseRelease(m_widget, Qt::LeftButton, modifiers, at);
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    // The edits shown inside the pane (not in a window of their own).
    QList<QLineEdit*> ShownEdits() const
    {
        QList<QLineEdit*> shown;
        QWidget* page = m_stack->currentWidget();
        if (page == nullptr) return shown;
        for (QLineEdit* edit : page->findChildren<QLineEdit*>())
            if (edit->isVisibleTo(m_pane->GetWidget()) && edit->window() == m_pane->GetWidget()->window())
                shown.push_back(edit);
        return shown;
    }

    double EditNumber(int id) const
    {
        for (QLineEdit* edit : ShownEdits()) {
            CWnd* wnd = CWnd::FromHandle(reinterpret_cast<HWND>(static_cast<QWidget*>(edit)));
            if (wnd != nullptr && wnd->GetDlgCtrlID() == id) {
                bool ok = false;
                const double value = edit->text().toDouble(&ok);
                EXPECT_TRUE(ok) << "edit " << id << " shows a number: " << edit->text().toStdString();
                return value;
            }
        }
        ADD_FAILURE() << "no edit " << id << " shown in the pane";
        return NAN;
    }

    CDesignCentral* m_pane = nullptr;
    QStackedLayout* m_stack = nullptr;
};

TEST_F(MeasurePageTest, TwoPickedCirclesShowOnThePaneAndRightButtonRestoresTheDefaultPage)
{
    QWidget* defaultPage = m_pane->GetDefaultPage()->GetWidget();
    ASSERT_EQ(m_stack->currentWidget(), defaultPage);
    Frame()->SendMessage(WM_COMMAND, CMeaAreaCmd::kId, 0);
    ASSERT_NE(gGetRelayon()->GetCurCmd(), nullptr);
    ASSERT_EQ(gGetRelayon()->GetCurCmd()->GetID(), CMeaAreaCmd::kId);
    EXPECT_NE(m_stack->currentWidget(), defaultPage) << "the result page replaces the default page";
    EXPECT_EQ(ShownEdits().size(), 5);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditArea), 0, 1e-9) << "nothing selected yet";

    // The page may widen the pane: the view settles before pixels become points.
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    gGetLooker()->UpdateViewRect();
    const double big = AddCircle(QPoint(200, 300), QPoint(260, 300));
    const double small = AddCircle(QPoint(400, 300), QPoint(430, 300));
    const Position bigCentre = WorldAt(QPoint(200, 300));
    Repaint();

    ClickWith(QPoint(260, 300), Qt::NoModifier);
    ClickWith(QPoint(430, 300), Qt::ShiftModifier);
    ASSERT_EQ(gGetSelector()->GetSize(), 2);

    // The edits show four decimals; the area is within its region tolerance.
    const double pi = std::numbers::pi;
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditPerimeter), 2 * pi * (big + small), 0.01);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditArea), pi * (big * big + small * small), 0.02 * (big + small));
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditRadius), big, 0.02);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditCentreX), bigCentre.x, 0.02);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditCentreY), bigCentre.y, 0.02);

    // Centimetres: lengths a tenth, the area a hundredth.
    const double perimeterMm = EditNumber(CDlgMeasure::kEditPerimeter);
    const double areaMm = EditNumber(CDlgMeasure::kEditArea);
    CQVGlobal* global = gGetQVGlobal();
    global->SetUnitBefore(0);
    global->m_nUnit = 1;
    View()->SendMessage(korvel::WM_KV_UNIT_CHANGED, 0, 0);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditPerimeter), perimeterMm / 10, 1e-3);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditArea), areaMm / 100, 1e-3);
    global->m_nUnit = 0;

    QTest::mouseClick(m_widget, Qt::RightButton, Qt::NoModifier, QPoint(450, 200));
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    const CCommand* now = gGetRelayon()->GetCurCmd();
    EXPECT_TRUE(now == nullptr || now->GetID() != CMeaAreaCmd::kId) << "the right button ends the measure";
    EXPECT_EQ(m_stack->currentWidget(), defaultPage);
    EXPECT_EQ(m_pane->GetCommandPage(), nullptr);
    EXPECT_TRUE(ShownEdits().isEmpty());
    EXPECT_TRUE(m_pane->IsShown());
    // The curves stay selected, and drawn.
    ASSERT_EQ(gGetSelector()->GetSize(), 2);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    gGetLooker()->UpdateViewRect();
    Repaint();
    const QImage screen = Screen();
    const double rightmost[2] = {bigCentre.x + big, bigCentre.y};
    CPoint edge;
    gGetLooker()->WorldtoScreen2D(rightmost, edge);
    const QRgb background = screen.pixel(edge.x - 20, edge.y);
    int drawn = 0;
    for (int x = edge.x - 2; x <= edge.x + 2; ++x)
        for (int y = edge.y - 2; y <= edge.y + 2; ++y) drawn += screen.pixel(x, y) != background ? 1 : 0;
    EXPECT_GT(drawn, 0) << "the big circle's edge is on the screen after the measure";

    // A second run brings a fresh page with zeros.
    Frame()->SendMessage(WM_COMMAND, CMeaAreaCmd::kId, 0);
    gGetSelector()->ClearAll();
    ClickWith(QPoint(450, 100), Qt::NoModifier);
    EXPECT_EQ(ShownEdits().size(), 5);
    EXPECT_NEAR(EditNumber(CDlgMeasure::kEditPerimeter), 0, 1e-9);
    gGetRelayon()->CancelCurCmd();
}

}  // namespace
