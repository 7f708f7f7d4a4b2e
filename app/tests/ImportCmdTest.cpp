// Reading files into the drawing: own documents merged, pictures and plug-in
// formats placed with the outline or scaled onto the page, dropped files.
#include "ViewInput.h"

#include "app/ImportCmd.h"
#include "app/KorvelIds.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbImage.h"
#include "framework/looker/Dib.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeShape2d.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

const std::string kImages = std::string(KORVEL_TEST_DATA) + "images/";
const std::string kAiData = KORVEL_AI_DATA;

// A main command that keeps the types of the messages the hub hands it.
class MessageRecorder : public CCommand {
public:
    MessageRecorder() : CCommand(1, L"recorder", 0) { SetID(40002); }
    int OnMessage(QMessage* message) override
    {
        m_types.push_back(message->m_nType);
        return 1;
    }
    std::vector<int> m_types;
};

class ImportCmdTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_hub = gGetRelayon();
        m_cmd = dynamic_cast<CImportCmd*>(m_hub->GetCmd(korvel::ID_FILE_IMPORT));
        ASSERT_NE(m_cmd, nullptr);
    }

    // Reads the files as a drop does (no dialog); the result of StartUp.
    int Read(const std::vector<std::string>& paths, int sub = 1)
    {
        m_cmd->m_fileList.RemoveAll();
        for (const std::string& p : paths) m_cmd->m_fileList.Add(CString::FromUtf8(p));
        return m_hub->RunAppCmd(m_cmd, sub, TRUE);
    }

    CRelayon* m_hub = nullptr;
    CImportCmd* m_cmd = nullptr;
};

TEST_F(ImportCmdTest, ExtensionIsTheTextAfterTheLastDotOfThePath)
{
    const struct {
        const wchar_t* path;
        const wchar_t* extension;
    } rows[] = {
        {L"/d/part.Zdc", L"Zdc"},     {L"/d/scan.TIFF", L"TIFF"},          {L"/d/photo.jpe", L"jpe"},
        {L"/d/README", L"/d/README"}, {L"/d/v1.2/drawing", L"2/drawing"}, {L"/d/a.b.ai", L"ai"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CImportCmd::GetFileExtension(row.path), CString(row.extension)) << CString(row.path).ToUtf8();
}

TEST_F(ImportCmdTest, OwnDocumentMergesAsStoredAboveEveryHandleOnTheCurrentLayer)
{
    // A document written by the program under an older format version.
    std::vector<CGeCurve*> curves = MakeEveryCurve();
    for (std::size_t i = 4; i < curves.size(); ++i) delete curves[i];
    curves.resize(4);
    AddCurveEntities(curves);
    std::vector<BOX2<double>> boxes;
    for (CDbEntity* e : Entities()) boxes.push_back(BoxOf(e));
    std::uint32_t stored2d = 0;
    for (CDbEntity* e : Entities()) stored2d = std::max(stored2d, dynamic_cast<CDbCurve*>(e)->GetCurve()->GetHandle());
    gGetQVGlobal()->SetVersion(8);
    m_prompt.m_paths.push_back(CPathOf("part.Zdc"));
    Frame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS, 0);
    ASSERT_TRUE(Exists(PathOf("part.Zdc")));

    // A new drawing with one entity of its own, another layer current.
    Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    ASSERT_EQ(CDBase::Instance()->GetCount(), 0);
    const double a[2] = {0, 0}, b[2] = {5, 5};
    CDBase::Instance()->AddTail(new CDbCurve(new CGeLine(a, b)));
    const std::uint32_t oldMax = CDBase::Instance()->GetEntities().GetHead()->GetHandle();
    auto* layer = new CLayer(CString(L"merged"));
    layer->SetColor(RGB(0, 200, 0));
    CDBase::Instance()->AddLayer(layer);
    CLayer::SetCurrentLayerID(layer->GetID());
    // The program's version as another document left it.
    gGetQVGlobal()->SetVersion(10);
    MessageRecorder* recorder = new MessageRecorder;
    m_hub->RegMainCmd(recorder);
    m_hub->SetCurMainCmd(recorder->GetID());
    const int undo = UndoCount();

    EXPECT_EQ(Read({PathOf("part.Zdc")}), 0) << "an own document needs no placement";
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    const std::vector<CDbEntity*> all = Entities();
    ASSERT_EQ(all.size(), 5u);
    for (std::size_t i = 1; i < all.size(); ++i) {
        const BOX2<double> box = BoxOf(all[i]);
        // Boxes of round shapes come from their display polylines, which are
        // made again after reading.
        EXPECT_NEAR(box.xmin, boxes[i - 1].xmin, 1e-3) << i;
        EXPECT_NEAR(box.ymax, boxes[i - 1].ymax, 1e-3) << i;
        EXPECT_GT(all[i]->GetHandle(), oldMax) << i;
        EXPECT_EQ(all[i]->GetLayerID(), layer->GetID()) << i;
    }
    EXPECT_EQ(UndoCount(), undo) << "a merge is no undo step";
    EXPECT_EQ(recorder->m_types, std::vector<int>{QMessage::kNewDocument});
    EXPECT_EQ(gGetQVGlobal()->GetVersion(), 10) << "the program's version is put back";
    EXPECT_GE(CGeShape2d::GetMaxHandle(), stored2d) << "new shapes take handles above the merged ones";
    std::uint32_t maxEntity = 0;
    for (CDbEntity* e : all) maxEntity = std::max(maxEntity, e->GetHandle());
    EXPECT_GE(CDbEntity::GetMaxHandle(), maxEntity);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(ImportCmdTest, DamagedDocumentIsReportedMergesNothingAndTheNextFileIsRead)
{
    const double a[2] = {1, 2}, b[2] = {30, 40};
    CDBase::Instance()->AddTail(new CDbCurve(new CGeLine(a, b)));
    m_prompt.m_paths.push_back(CPathOf("good.zdc"));
    Frame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS, 0);
    std::vector<unsigned char> bytes = ReadBytes(PathOf("good.zdc"));
    ASSERT_GT(bytes.size(), 40u);
    // Cut inside the entity list.
    std::vector<unsigned char> cut(bytes.begin(), bytes.end() - 30);
    WriteBytes(PathOf("cut.zdc"), cut);
    const int before = CDBase::Instance()->GetCount();
    m_prompt.m_messages.clear();

    Read({PathOf("cut.zdc"), PathOf("good.zdc")});
    EXPECT_EQ(m_prompt.m_messages.size(), 1u) << "the open-failure message";
    EXPECT_EQ(CDBase::Instance()->GetCount(), before + 1) << "only the good file merged";
    EXPECT_EQ(gGetQVGlobal()->GetVersion(), kDocVersionCurrent);
}

TEST_F(ImportCmdTest, PicturesBecomeOneImageEntityOfTheirPixels)
{
    for (const char* name : {"picture.bmp", "picture.jpg", "picture.gif", "picture.png", "picture.tif", "git-logo.png"}) {
        const std::string path = kImages + name;
        QImage oracle(QString::fromStdString(path));
        ASSERT_FALSE(oracle.isNull()) << name;
        oracle = oracle.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(Read({path}), 1) << name << ": waits for the placement";
        ASSERT_EQ(m_cmd->GetEntitiesRead().GetCount(), 1) << name;
        auto* image = dynamic_cast<CDbImage*>(m_cmd->GetEntitiesRead().GetHead());
        ASSERT_NE(image, nullptr) << name;
        const CDib* dib = image->GetDib();
        ASSERT_EQ(dib->GetWidth(), oracle.width()) << name;
        ASSERT_EQ(dib->GetHeight(), oracle.height()) << name;
        bool same = true;
        for (int y = 0; y < oracle.height() && same; ++y)
            same = std::memcmp(&dib->GetBits()[static_cast<std::size_t>(y) * oracle.width() * 4], oracle.constScanLine(y),
                               static_cast<std::size_t>(oracle.width()) * 4) == 0;
        EXPECT_TRUE(same) << name << ": the pixels Qt reads";
        const BOX2<double> box = m_cmd->GetBox();
        EXPECT_EQ(box.xmax - box.xmin, oracle.width()) << name << ": one millimetre per pixel";
        m_hub->CancelCurCmd();
    }
}

TEST_F(ImportCmdTest, TiffJpeAndNamesWithoutAPictureExtensionGoToThePlugIns)
{
    // No plug-in reads these, so nothing comes of them, and no picture error shows.
    const std::string tif = kImages + "picture.tif";
    for (const char* name : {"scan.TIFF", "photo.JPE", "noextension"}) {
        WriteBytes(PathOf(name), ReadBytes(tif));
        m_prompt.m_messages.clear();
        EXPECT_EQ(Read({PathOf(name)}), 0) << name;
        EXPECT_TRUE(m_prompt.m_messages.empty()) << name;
        EXPECT_EQ(CDBase::Instance()->GetCount(), 0) << name;
    }
}

TEST_F(ImportCmdTest, IllustratorFileIsReadThroughThePlugIn)
{
    const std::string path = kAiData + "gs_rect.ai";
    ASSERT_EQ(Read({path}), 1);
    ASSERT_EQ(m_cmd->GetEntitiesRead().GetCount(), 1);
    EXPECT_EQ(m_cmd->GetEntitiesRead().GetHead()->GetType(), kDbTypeCurve);
    EXPECT_TRUE(m_cmd->GetBox().IsValid());
}

TEST_F(ImportCmdTest, DialogReadsEveryChosenFileAndRemembersTheLastExtension)
{
    m_prompt.m_paths.push_back(
        CFileDialogAnswer({CString::FromUtf8(kImages + "picture.png"), CString::FromUtf8(kImages + "git-logo.png")}, 2));
    ASSERT_EQ(m_hub->RunAppCmd(korvel::ID_FILE_IMPORT, 0), 1);
    ASSERT_EQ(m_prompt.m_fileRequests.size(), 1u);
    const CFileDialogRequest& request = m_prompt.m_fileRequests[0];
    EXPECT_NE(request.dwFlags & OFN_ALLOWMULTISELECT, 0u);
    EXPECT_NE(request.strFilter.Find(L"|*.AI|"), -1) << "the Illustrator plug-in imports";
    EXPECT_NE(request.strFilter.Find(L"|*.BMP;*.JPG;*.JPEG;*.GIF;*.PNG;*.TIF|Dalvex File(*.zdc)|*.zdc||"), -1)
        << request.strFilter.ToUtf8();
    EXPECT_EQ(m_cmd->GetEntitiesRead().GetCount(), 2);
    EXPECT_EQ(m_cmd->GetFilePattern(), CString(L"*.PNG"));
    m_hub->CancelCurCmd();
    ASSERT_EQ(m_hub->RunAppCmd(korvel::ID_FILE_IMPORT, 0), 0) << "cancelled dialog";
    EXPECT_EQ(m_prompt.m_fileRequests.back().strFileName, CString(L"*.PNG"));
}

// Answers the file dialog after running the event loop, as a real modal
// dialog does while it is open.
class EventLoopPrompt : public CScriptedPrompt {
public:
    BOOL ChooseFiles(const CFileDialogRequest& request, CFileDialogAnswer& answer) override
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        return CScriptedPrompt::ChooseFiles(request, answer);
    }
};

TEST_F(ImportCmdTest, PlacementWaitsAfterTheDialogThoughTheViewWasResizedMeanwhile)
{
    // The command hides the Design Centre before its dialog; the view grows and
    // its resize arrives while the command is still starting.
    Frame()->GetWidget()->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const int width = m_widget->width();
    EventLoopPrompt prompt;
    prompt.m_paths.push_back(CFileDialogAnswer({CString::FromUtf8(kAiData + "gs_hole.ai")}, 1));
    ASSERT_EQ(m_hub->RunAppCmd(korvel::ID_FILE_IMPORT, 0), 1);
    ASSERT_NE(m_widget->width(), width) << "the hidden pane gives the view its room";
    EXPECT_EQ(m_hub->GetCurCmd(), m_cmd) << "the command waits for the placement";
    const INT_PTR read = m_cmd->GetEntitiesRead().GetCount();
    ASSERT_GT(read, 0);
    Move(QPoint(300, 300));
    EXPECT_NE(m_cmd->GetOutline(), nullptr) << "the outline follows the cursor";
    Click(QPoint(300, 300));
    EXPECT_EQ(CDBase::Instance()->GetCount(), read) << "the click places what was read";
}

TEST_F(ImportCmdTest, PlacementPutsTheLowerLeftCornerOnTheClick)
{
    for (const int sub : {1, 2}) {
        SCOPED_TRACE(sub == 1 ? "placed on the press" : "placed on the release");
        const int undo = UndoCount();
        ASSERT_EQ(Read({kImages + "picture.png"}, sub), 1);
        const QPoint at(300 + 40 * sub, 250);
        Move(at);
        Release(at);
        if (sub == 1) {
            EXPECT_EQ(CDBase::Instance()->GetCount(), 0) << "a release alone places nothing";
            Press(at);
        }
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
        ASSERT_EQ(CDBase::Instance()->GetCount(), sub);
        const BOX2<double> box = BoxOf(Entities().back());
        const Position click = WorldAt(at);
        EXPECT_NEAR(box.xmin, click.x, 1e-9);
        EXPECT_NEAR(box.ymin, click.y, 1e-9);
        EXPECT_NEAR(box.xmax - box.xmin, 37.0, 1e-9);
        EXPECT_EQ(UndoCount(), undo + 1) << "one undo step";
    }
}

TEST_F(ImportCmdTest, OutlineFollowsMovesOfThreePixelsAndErasesWithoutATrace)
{
    ASSERT_EQ(Read({kImages + "picture.png"}), 1);
    Repaint();
    const QImage clean = Screen();
    Move(QPoint(200, 200));
    ASSERT_NE(m_cmd->GetOutline(), nullptr);
    const QImage drawn = Screen();
    EXPECT_NE(drawn, clean) << "the outline shows";
    const BOX2<double> first = BoxOf(m_cmd->GetOutline());
    Move(QPoint(202, 202));
    EXPECT_EQ(Screen(), drawn) << "2 pixels in both directions leave the outline";
    EXPECT_NEAR(BoxOf(m_cmd->GetOutline()).xmin, first.xmin, 1e-12);
    Move(QPoint(203, 200));
    EXPECT_GT(BoxOf(m_cmd->GetOutline()).xmin, first.xmin) << "3 pixels redraw it";
    m_hub->CancelCurCmd();
    EXPECT_EQ(m_cmd->GetOutline(), nullptr);
    EXPECT_TRUE(Screen() == clean) << "erasing restores the screen image byte for byte";
}

TEST_F(ImportCmdTest, DrawingOverThreeHundredMetresIsScaledOntoThePageOnYes)
{
    // 300001 mm by 10 mm, in points.
    const double w = 300001.0 * 72.0 / 25.4, h = 10.0 * 72.0 / 25.4;
    std::ofstream(PathOf("wide.ai")) << "%!PS\n%%EndSetup\n0 0 m\n" << std::setprecision(17) << w << " 0 l\n"
                                     << w << " " << h << " l\n0 " << h << " l\nb\n";
    float pageW = 0, pageH = 0;
    CWorkArea::Instance()->GetPageSize(pageW, pageH);
    const int undo = UndoCount();
    m_prompt.m_answers.push_back(IDYES);
    m_prompt.m_messages.clear();
    EXPECT_EQ(Read({PathOf("wide.ai")}), 0);
    EXPECT_EQ(m_prompt.m_messages, std::vector<CString>{AfxLoadString(korvel::IDS_LARGE_DRAWING)});
    ASSERT_EQ(CDBase::Instance()->GetCount(), 1);
    const BOX2<double> box = BoxOf(Entities()[0]);
    EXPECT_NEAR(box.xmax - box.xmin, pageW, 1e-6);
    EXPECT_NEAR(box.ymax - box.ymin, 10.0 * pageW / 300001.0, 1e-6);
    EXPECT_NEAR((box.xmin + box.xmax) / 2, 0.0, 1e-6);
    EXPECT_NEAR((box.ymin + box.ymax) / 2, 0.0, 1e-6);
    EXPECT_EQ(UndoCount(), undo + 1);

    // No: placement as usual.
    m_prompt.m_answers.push_back(IDNO);
    EXPECT_EQ(Read({PathOf("wide.ai")}), 1);
    m_hub->CancelCurCmd();
    EXPECT_EQ(CDBase::Instance()->GetCount(), 1);
}

void DropFiles(QWidget* widget, const std::vector<std::string>& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
}

TEST_F(ImportCmdTest, DroppedFilesAreReadInOrder)
{
    DropFiles(Frame()->GetWidget(), {kImages + "picture.bmp", kImages + "git-logo.png", kImages + "picture.gif"});
    ASSERT_EQ(m_hub->GetCurCmd(), m_cmd);
    std::vector<int> widths;
    for (CDbEntity* e : m_cmd->GetEntitiesRead()) widths.push_back(dynamic_cast<CDbImage*>(e)->GetDib()->GetWidth());
    EXPECT_EQ(widths, (std::vector<int>{37, 72, 37}));
}

TEST_F(ImportCmdTest, UnreadablePictureEndsTheRunAndDeletesWhatWasRead)
{
    m_prompt.m_messages.clear();
    EXPECT_EQ(Read({kImages + "picture.png", kImages + "broken.png", kImages + "picture.gif"}), 0);
    EXPECT_EQ(m_prompt.m_messages, std::vector<CString>{AfxLoadString(korvel::IDS_IMAGE_UNREADABLE)});
    EXPECT_TRUE(m_cmd->GetEntitiesRead().IsEmpty());
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(CDBase::Instance()->GetCount(), 0);
}

}  // namespace
