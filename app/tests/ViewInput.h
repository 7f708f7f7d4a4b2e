// Mouse input straight to the view's widget (the frame is not shown under the
// offscreen platform, so input through the window system would not arrive),
// and the view's screen image.
#pragma once

#include "AppFixture.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <vector>

namespace korvel_test {

inline BOX2<double> BoxOf(CDbEntity* entity)
{
    BOX2<double> box;
    box.InitEmpty();
    entity->GetBox(&box);
    return box;
}

class ViewInputTest : public AppTest {
protected:
    // Starts the program with a 900 x 700 frame, the layout settled.
    void StartView()
    {
        ASSERT_TRUE(Start());
        Frame()->GetWidget()->resize(900, 700);
        Frame()->RecalcLayout();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        ASSERT_NE(View(), nullptr);
        m_widget = View()->GetWidget();
        gGetLooker()->UpdateViewRect();
    }

    void Move(QPoint at)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(m_widget->mapToGlobal(at)), Qt::NoButton,
                          QApplication::mouseButtons(), Qt::NoModifier);
        QApplication::sendEvent(m_widget, &event);
    }
    void Press(QPoint at) { QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, at); }
    void Release(QPoint at) { QTest::mouseRelease(m_widget, Qt::LeftButton, Qt::NoModifier, at); }
    void Click(QPoint at)
    {
        Press(at);
        Release(at);
    }

    // The world point under a pixel.
    Position WorldAt(QPoint at) const
    {
        Position pos;
        gGetLooker()->ScreentoWorld(CPoint(at.x(), at.y()), pos);
        return pos;
    }

    QImage Screen() const { return View()->GetScreenImage().copy(); }

    // Paints the view now, so that the screen image shows the drawing.
    void Repaint() { View()->RedrawScreen(); }

    // The database's entities in order.
    static std::vector<CDbEntity*> Entities()
    {
        std::vector<CDbEntity*> out;
        for (CDbEntity* e : CDBase::Instance()->GetEntities()) out.push_back(e);
        return out;
    }

    static int UndoCount() { return CActionManager::Instance()->GetUndoCount(); }

    QWidget* m_widget = nullptr;
};

}  // namespace korvel_test
