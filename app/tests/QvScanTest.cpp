// The scanning client against a source manager of the test's own: the calls
// it makes, in order, and what it does with the answers.
#include "app/QvScan.h"

#include "platform/ui/Clipboard.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/Wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// A source manager that logs every call by name and answers as scripted.
struct FakeManager {
    std::vector<std::string> log;
    TW_IDENTITY lastOrigin{};
    int images = 0;                    // images the source holds when a transfer starts
    bool checkStatusOnSignedCount = false;
    TW_UINT16 sourceCount = 3;         // the count the source reports for CAP_XFERCOUNT
    std::vector<TW_UINT16> countItemTypes;
    std::vector<TW_UINT32> countItems;
    TW_UINT16 xferResult = TWRC_XFERDONE;
    bool freed = false;
};

FakeManager* g_fake = nullptr;

std::string Name(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg)
{
    if (dat == DAT_PARENT) return msg == MSG_OPENDSM ? "OPENDSM" : "CLOSEDSM";
    if (dat == DAT_IDENTITY)
        return msg == MSG_GETDEFAULT ? "GETDEFAULT" : msg == MSG_USERSELECT ? "USERSELECT" : msg == MSG_OPENDS ? "OPENDS" : "CLOSEDS";
    if (dat == DAT_CAPABILITY) return msg == MSG_SET ? "CAPSET" : "CAPGET";
    if (dat == DAT_USERINTERFACE) return msg == MSG_ENABLEDS ? "ENABLEDS" : "DISABLEDS";
    if (dat == DAT_EVENT) return "PROCESSEVENT";
    if (dat == DAT_PENDINGXFERS) return msg == MSG_ENDXFER ? "ENDXFER" : "RESET";
    if (dat == DAT_STATUS) return "STATUS";
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO) return "IMAGEINFO";
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER) return "NATIVEXFER";
    return "?";
}

TW_UINT16 FakeEntry(TW_IDENTITY* origin, TW_IDENTITY*, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    FakeManager& f = *g_fake;
    f.lastOrigin = *origin;
    const std::string name = Name(dg, dat, msg);
    f.log.push_back(name);
    if (name == "STATUS") {
        static_cast<TW_STATUS*>(data)->ConditionCode = TWCC_BADVALUE;
        return TWRC_SUCCESS;
    }
    if (name == "CAPSET") {
        auto* cap = static_cast<TW_CAPABILITY*>(data);
        const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap->hContainer));
        // Copies: the packed record's fields are not aligned for references.
        const TW_UINT16 type = one->ItemType;
        const TW_UINT32 item = one->Item;
        f.countItemTypes.push_back(type);
        f.countItems.push_back(item);
        if (f.checkStatusOnSignedCount && one->ItemType == TWTY_INT16) return TWRC_CHECKSTATUS;
        return TWRC_SUCCESS;
    }
    if (name == "CAPGET") {
        auto* cap = static_cast<TW_CAPABILITY*>(data);
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(cap->hContainer));
        one->ItemType = TWTY_INT16;
        one->Item = f.sourceCount;
        return TWRC_SUCCESS;
    }
    if (name == "ENABLEDS") {
        static_cast<TW_USERINTERFACE*>(data)->ModalUI = 0;
        return TWRC_SUCCESS;
    }
    if (name == "PROCESSEVENT") {
        auto* event = static_cast<TW_EVENT*>(data);
        const auto* m = static_cast<const MSG*>(event->pEvent);
        if (m->message != kTwainSourceEventMessage) return TWRC_NOTDSEVENT;
        event->TWMessage = static_cast<TW_UINT16>(m->wParam);
        return TWRC_DSEVENT;
    }
    if (name == "IMAGEINFO") {
        if (f.images == 0) return TWRC_FAILURE;
        auto* info = static_cast<TW_IMAGEINFO*>(data);
        info->ImageWidth = 10 + f.images;
        return TWRC_SUCCESS;
    }
    if (name == "NATIVEXFER") {
        // A source hands a block over unless the transfer failed.
        if (f.xferResult != TWRC_FAILURE) *static_cast<TW_HANDLE*>(data) = GlobalAlloc(GHND, 64);
        return f.xferResult;
    }
    if (name == "ENDXFER") {
        static_cast<TW_PENDINGXFERS*>(data)->Count = static_cast<TW_UINT16>(--f.images);
        return TWRC_SUCCESS;
    }
    if (name == "RESET") f.images = 0;
    return TWRC_SUCCESS;
}

class TestClient : public CQvScan {
public:
    using CQvScan::CQvScan;
    void OnImage(void* hDib, const TW_IMAGEINFO& info) override
    {
        g_fake->log.push_back("OnImage " + std::to_string(info.ImageWidth));
        EXPECT_EQ(GlobalSize(hDib), 64u) << "the block is alive while the image is handed over";
    }
    int ShouldTransfer(const TW_IMAGEINFO& info) override { return answer ? answer(info) : 0; }
    std::function<int(const TW_IMAGEINFO&)> answer;
    using CQvScan::TransferImages;
};

class QvScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AfxEnsureQtApplication();
        g_fake = &m_fake;
        CQvScan::LibraryOps ops;
        ops.load = [](const CString&) { return static_cast<void*>(&g_fake); };
        ops.entry = [](void*) { return &FakeEntry; };
        ops.free = [](void*) {
            g_fake->log.push_back("free");
            g_fake->freed = true;
        };
        CQvScan::SetLibraryOps(ops);
        ASSERT_TRUE(m_wnd.Create(nullptr, L"scan", WS_OVERLAPPEDWINDOW, RECT{0, 0, 50, 50}, nullptr, 0));
    }
    void TearDown() override
    {
        m_wnd.DestroyWindow();
        CQvScan::SetLibraryOps({});
        g_fake = nullptr;
    }
    // The log from the first entry named first on.
    std::vector<std::string> LogFrom(const std::string& first) const
    {
        auto it = std::find(m_fake.log.begin(), m_fake.log.end(), first);
        return std::vector<std::string>(it, m_fake.log.end());
    }

    FakeManager m_fake;
    CWnd m_wnd;
};

}  // namespace

TEST_F(QvScanTest, OpensTheManagerWithItsIdentity)
{
    TestClient client(m_wnd.m_hWnd);
    ASSERT_TRUE(client.IsDSMLoaded());
    EXPECT_TRUE(client.IsManagerOpen());
    ASSERT_EQ(m_fake.log, std::vector<std::string>{"OPENDSM"});
    const TW_IDENTITY& id = m_fake.lastOrigin;
    // Unary + copies each packed field before the assertion takes a reference.
    EXPECT_EQ(+id.Id, 0u);
    EXPECT_EQ(+id.Version.MajorNum, 3);
    EXPECT_EQ(+id.Version.MinorNum, 5);
    EXPECT_EQ(+id.Version.Language, TWLG_ENGLISH_USA);
    EXPECT_EQ(+id.Version.Country, TWCY_USA);
    EXPECT_STREQ(id.Version.Info, "3.5");
    EXPECT_EQ(+id.ProtocolMajor, 1);
    EXPECT_EQ(+id.ProtocolMinor, 8);
    EXPECT_EQ(+id.SupportedGroups, 3u);
    EXPECT_STRNE(id.Manufacturer, "");
    EXPECT_STREQ(id.ProductFamily, "Generic");
    EXPECT_STREQ(id.ProductName, "Twain Test");
}

TEST_F(QvScanTest, WithoutTheModuleEveryCallFails)
{
    CQvScan::LibraryOps ops;
    ops.load = [](const CString&) { return static_cast<void*>(nullptr); };
    ops.entry = [](void*) { return &FakeEntry; };
    ops.free = [](void*) {};
    CQvScan::SetLibraryOps(ops);
    TestClient client(m_wnd.m_hWnd);
    EXPECT_FALSE(client.IsDSMLoaded());
    EXPECT_FALSE(client.SelectSource());
    EXPECT_FALSE(client.Acquire(-1));
    EXPECT_FALSE(client.CallSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, nullptr));
    EXPECT_EQ(client.GetReturnCode(), TWRC_FAILURE);
    EXPECT_TRUE(m_fake.log.empty());
}

TEST_F(QvScanTest, FirstSelectionLooksUpTheDefaultSource)
{
    TestClient client(m_wnd.m_hWnd);
    EXPECT_FALSE(client.IsSourceSelected());
    EXPECT_TRUE(client.SelectSource());
    EXPECT_EQ(LogFrom("GETDEFAULT"), (std::vector<std::string>{"GETDEFAULT", "USERSELECT"}));
    EXPECT_TRUE(client.SelectSource());
    EXPECT_EQ(m_fake.log.back(), "USERSELECT") << "the default is looked up only before the first selection";
    EXPECT_EQ(std::count(m_fake.log.begin(), m_fake.log.end(), "GETDEFAULT"), 1);
}

TEST_F(QvScanTest, SourceThatWantsItsOwnCountGetsItBack)
{
    m_fake.checkStatusOnSignedCount = true;
    m_fake.sourceCount = 3;
    TestClient client(m_wnd.m_hWnd);
    ASSERT_TRUE(client.Acquire(-1));
    EXPECT_EQ(LogFrom("OPENDS"), (std::vector<std::string>{"OPENDS", "CAPSET", "STATUS", "CAPGET", "CAPSET", "ENABLEDS"}));
    EXPECT_EQ(m_fake.countItemTypes, (std::vector<TW_UINT16>{TWTY_INT16, TWTY_UINT16}));
    EXPECT_EQ(m_fake.countItems, (std::vector<TW_UINT32>{0xFFFF, 3}));
    EXPECT_EQ(client.GetImageCount(), 3);
    EXPECT_EQ(+client.GetStatus().ConditionCode, TWCC_BADVALUE) << "the failed call's condition is kept";
    EXPECT_TRUE(client.IsSourceEnabled());
    EXPECT_EQ(client.GetModalUI(), 0);
    // A second scan while the source is enabled does not enable it again.
    m_fake.log.clear();
    m_fake.checkStatusOnSignedCount = false;
    EXPECT_TRUE(client.Acquire(-1));
    EXPECT_EQ(m_fake.log, (std::vector<std::string>{"CAPSET"}));
}

TEST_F(QvScanTest, EachImageIsHandedOverBeforeTheNextTransfer)
{
    TestClient client(m_wnd.m_hWnd);
    ASSERT_TRUE(client.Acquire(-1));
    m_fake.images = 2;
    m_fake.log.clear();
    // The source's event comes as a window message through the filter.
    MSG msg{m_wnd.m_hWnd, kTwainSourceEventMessage, MSG_XFERREADY, 0};
    EXPECT_FALSE(client.FilterMessage(&msg));
    // Every answer but success fetches the condition code, source events too.
    EXPECT_EQ(m_fake.log, (std::vector<std::string>{"PROCESSEVENT", "STATUS", "IMAGEINFO", "NATIVEXFER", "STATUS", "OnImage 12",
                                                    "ENDXFER", "IMAGEINFO", "NATIVEXFER", "STATUS", "OnImage 11",
                                                    "ENDXFER"}));
    // Other messages are not the source's.
    m_fake.log.clear();
    MSG other{m_wnd.m_hWnd, WM_USER + 1, 0, 0};
    EXPECT_FALSE(client.FilterMessage(&other));
    EXPECT_EQ(m_fake.log, (std::vector<std::string>{"PROCESSEVENT", "STATUS"}));
}

TEST_F(QvScanTest, TransferOutcomes)
{
    struct Row {
        const char* label;
        int answer;
        TW_UINT16 xferResult;
        std::vector<std::string> expected;
    } rows[] = {
        {"cancel all: reset without a transfer", 2, TWRC_XFERDONE, {"IMAGEINFO", "RESET"}},
        {"skip: ends the image without a transfer", 1, TWRC_XFERDONE,
         {"IMAGEINFO", "ENDXFER", "IMAGEINFO", "ENDXFER"}},
        {"failed transfer: reset and stop", 0, TWRC_FAILURE, {"IMAGEINFO", "NATIVEXFER", "STATUS", "RESET"}},
        {"cancelled transfer: not handed over, next asked", 0, TWRC_CANCEL,
         {"IMAGEINFO", "NATIVEXFER", "STATUS", "ENDXFER", "IMAGEINFO", "NATIVEXFER", "STATUS", "ENDXFER"}},
    };
    for (const Row& row : rows) {
        TestClient client(m_wnd.m_hWnd);
        ASSERT_TRUE(client.Acquire(-1)) << row.label;
        client.answer = [&row](const TW_IMAGEINFO&) { return row.answer; };
        m_fake.images = 2;
        m_fake.xferResult = row.xferResult;
        m_fake.log.clear();
        client.TransferImages();
        EXPECT_EQ(m_fake.log, row.expected) << row.label;
        client.UnloadDSM();
    }
}

TEST_F(QvScanTest, DestroyingDisablesClosesAndFreesInOrder)
{
    {
        TestClient client(m_wnd.m_hWnd);
        ASSERT_TRUE(client.Acquire(-1));
        m_fake.log.clear();
    }
    EXPECT_EQ(m_fake.log, (std::vector<std::string>{"DISABLEDS", "CLOSEDS", "CLOSEDSM", "free"}));
}

TEST_F(QvScanTest, SourceAskingToCloseIsClosed)
{
    TestClient client(m_wnd.m_hWnd);
    ASSERT_TRUE(client.Acquire(-1));
    m_fake.log.clear();
    MSG msg{m_wnd.m_hWnd, kTwainSourceEventMessage, MSG_CLOSEDSREQ, 0};
    client.FilterMessage(&msg);
    EXPECT_EQ(m_fake.log, (std::vector<std::string>{"PROCESSEVENT", "STATUS", "DISABLEDS", "CLOSEDS"}));
    EXPECT_FALSE(client.IsSourceOpen());
    EXPECT_TRUE(client.IsManagerOpen());
}
