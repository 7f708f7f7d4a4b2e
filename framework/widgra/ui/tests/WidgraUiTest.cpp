// Tool-bar manager: bar records, UI modes and the main-command query.
#include "framework/widgra/ui/StatusBars.h"
#include "framework/widgra/ui/UIToolBarMgr.h"

#include <gtest/gtest.h>

namespace {
int MainCmd() { return 32853; }
}  // namespace

TEST(UIToolBarMgrTest, KeepsRecordsModesAndTheMainCommandQuery)
{
    CUIToolBarMgr* mgr = CUIToolBarMgr::Instance();
    ASSERT_EQ(mgr, CUIToolBarMgr::Instance());
    EXPECT_TRUE(mgr->IsCurrentUI(CUIToolBarMgr::kModeTab));
    CMFCToolBar bar;
    auto* rec = new UIToolBarRec;
    rec->m_nBarID = 602;
    rec->m_pBar = &bar;
    rec->m_nUIMode = CUIToolBarMgr::kModeClassic;
    mgr->AddBar(rec);
    mgr->AddBar(nullptr);
    EXPECT_EQ(mgr->GetBarCount(), 1);
    EXPECT_EQ(mgr->GetBar(0)->m_nBarID, 602u);
    EXPECT_EQ(mgr->GetBar(1), nullptr);
    mgr->ShowCurrentUI(CUIToolBarMgr::kModeClassic);
    EXPECT_TRUE(mgr->IsCurrentUI(CUIToolBarMgr::kModeClassic));
    mgr->ShowCurrentUI(5);
    EXPECT_TRUE(mgr->IsCurrentUI(CUIToolBarMgr::kModeClassic)) << "unknown modes are refused";
    EXPECT_EQ(mgr->GetMainCmdID(), 0);
    mgr->SetMainCmdQuery(&MainCmd);
    EXPECT_EQ(mgr->GetMainCmdID(), 32853);
    CUIToolBarMgr::Uninstance();
    EXPECT_EQ(CUIToolBarMgr::Instance()->GetBarCount(), 0);
    CUIToolBarMgr::Uninstance();
}

TEST(TabToolBarTest, ItemsAndSelectedTab)
{
    CTabToolBar bar;
    EXPECT_EQ(bar.AddItem(CString(L"Draw")), 0);
    EXPECT_EQ(bar.AddItem(CString(L"Edit")), 1);
    bar.OnChangeTabEx(1);
    EXPECT_EQ(bar.GetCurTab(), 1);
}
