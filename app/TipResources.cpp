#include "app/TipResources.h"

#include "app/AboutboxHelpPrompt.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <iterator>

namespace korvel {

namespace {

#include "app/resources/tips/TipGifs.inc"

struct TipText {
    UINT id;
    const wchar_t* text;
};

// The program's own short hints, one per tip of the table.
constexpr TipText kTipTexts[] = {
    {30487, L"Press Esc at any time to end the running command and go back to selecting."},
    {30488, L"Use the mouse wheel to zoom about the cursor; hold Shift or Ctrl to pan instead."},
    {30489, L"Draw a line by clicking its start and end points; type coordinates for exact points."},
    {30492, L"Click an object to select it; hold Shift to add objects to the selection or take them out."},
    {30493, L"Move the selection by dragging it, or pick a base point and a target point."},
    {30494, L"Rotate about any point: pick the centre first, then drag to the angle."},
    {30495, L"Page Up and Page Down zoom out and in by a fixed step."},
    {30496, L"Node editing shows the nodes of a curve; drag them to reshape it."},
    {30497, L"Closed outlines become cutting loops; open curves are cut along their length."},
    {30498, L"Join curves that touch into one composite curve before cutting."},
    {30500, L"Scale the selection about a base point; hold Shift to keep the proportions."},
    {30501, L"Bezier curves are drawn by clicking points and dragging their handles."},
    {30502, L"Show All fits every object of the drawing into the window."},
    {30503, L"Polylines take straight segments; right-click to finish one."},
    {30504, L"Previous View goes back to the view you had before the last zoom or pan."},
    {30505, L"Rectangles are drawn from corner to corner; type the size for an exact one."},
    {30506, L"Circles take a centre and a point on the circle."},
    {30507, L"Arcs run through a start point, a point on the arc and an end point."},
    {30508, L"Ellipses are drawn from their centre and the two half axes."},
    {30509, L"Undo and Redo step through every change of the drawing."},
    {30510, L"Polygons and stars take the number of sides before you draw them."},
    {30511, L"Copy and paste objects between drawings through the clipboard."},
    {30512, L"Text becomes outlines that can be cut like any other curve."},
    {30513, L"Fill Display shows closed outlines filled, to check which loops are closed."},
    {30514, L"Measure distances and angles from the Measure menu; right-click to finish."},
    {30515, L"The area measure adds the areas of all selected closed curves."},
    {30516, L"Layers keep parts of a drawing apart; hide a layer to work on the rest."},
    {30519, L"Read In File brings pictures and other drawings into the current one."},
    {30520, L"Scanned pictures arrive in the drawing at the origin, one pixel per millimetre."},
    {30521, L"Trace a picture to turn its outlines into curves."},
    {30522, L"Mirror the selection horizontally or vertically about its centre."},
    {30523, L"Align several objects on their left, right, top or bottom edges."},
    {30524, L"Offset a closed outline to make a tool path inside or outside it."},
    {30525, L"The design centre shows the properties of the selected objects."},
    {30526, L"The grid and the snap bar help to place points exactly."},
    {30527, L"Nesting places parts on the sheet with as little waste as possible."},
    {30528, L"Remnants of earlier sheets can be used as stock for nesting."},
    {30529, L"Smooth a traced outline to get fewer, longer curves."},
    {30530, L"Backups are saved automatically; the period is set in the settings."},
    {30531, L"Save As Other Format writes the drawing for other programs."},
    {30532, L"Break a curve at a point to cut it into two."},
    {30533, L"Fillet two lines with an arc of a given radius."},
    {30534, L"The rulers show the cursor's position in the current unit."},
    {30535, L"Bridges keep small parts attached to the sheet while cutting."},
    {30536, L"Change the length unit in the settings; the measures follow it."},
    {30537, L"Notes in the File menu keep remarks with the drawing."},
    {30538, L"Export Selected Objects writes only the selection to a new drawing."},
    {30539, L"Convert curves to polylines when a machine needs straight segments."},
    {30540, L"Explode a group to edit its members one by one."},
    {30541, L"Group objects to move and scale them together."},
    {30542, L"Reverse a curve to change its cutting direction."},
    {30543, L"The 3D view shows meshes and surfaces; rotate it with the middle button."},
    {30544, L"Choose a view direction of the 3D display from the View menu."},
    {30545, L"Set the start point of a loop where the cut should begin."},
    {30546, L"Hide objects you do not need now, and show them again later."},
    {30547, L"Sort the cutting order to shorten the moves between parts."},
    {30548, L"Guide lines can be dragged from the rulers."},
    {30549, L"Array copies repeat the selection in rows and columns."},
    {30550, L"Printing fits the page or prints at a set scale over several pages."},
    {30551, L"Print Preview shows the pages before they are printed."},
    {30552, L"Weld overlapping outlines into one outline."},
    {30553, L"Trim curves at their intersections with other curves."},
    {30554, L"Extend a curve until it meets another one."},
    {30555, L"Round the corners of a polyline with one radius."},
    {30556, L"Distribute objects evenly between the outermost two."},
    {30557, L"Rotate the selection by 90 degrees with one click."},
    {30558, L"Zoom Window enlarges the area you drag a box around."},
    {30559, L"Dynamic zoom follows the mouse up and down."},
    {30560, L"Close a nearly closed curve by joining its end points."},
    {30561, L"Simplify a polyline to the vertices that matter for its shape."},
    {30564, L"Right-click ends most drawing commands."},
};
static_assert(std::size(kTipTexts) == CAboutboxHelpPrompt::kBuiltInTipCount, "one text per tip");

// The title picture: a light bulb beside the dialog's name.
QImage MakeTitleImage()
{
    QImage image(240, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 240, 0);
    gradient.setColorAt(0.0, QColor(31, 78, 121));
    gradient.setColorAt(1.0, QColor(255, 255, 255));
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(255, 214, 80));
    painter.setPen(QPen(QColor(120, 90, 0), 1.5));
    painter.drawEllipse(QRectF(8, 5, 22, 22));
    painter.fillRect(QRectF(14, 27, 10, 7), QColor(160, 160, 160));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(40, 0, 200, 40), Qt::AlignVCenter, QStringLiteral("Tip of the Day"));
    return image;
}

void RegisterTemplate()
{
    using K = CDialogItemKind;
    using D = CAboutboxHelpPrompt;
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"每日提示";
    desc.cx = 345;
    desc.cy = 150;
    desc.items = {
        {K::Picture, D::IDC_TITLE_PICTURE, 7, 7, 120, 24, nullptr, 0, D::IDB_TITLE},
        {K::Static, D::IDC_TIP_TEXT, 7, 36, 200, 84, L"", 0, 0},
        {K::CheckBox, D::IDC_SHOW_AT_STARTUP, 7, 128, 80, 12, L"启动时显示", 0, 0},
        {K::PushButton, D::IDC_PREVIOUS, 100, 126, 34, 14, L"上一条", 0, 0},
        {K::PushButton, D::IDC_NEXT, 137, 126, 34, 14, L"下一条", 0, 0},
        {K::DefPushButton, D::IDC_CLOSE, 174, 126, 34, 14, L"关闭", 0, 0},
        {K::GroupBox, D::IDC_PANEL_FRAME, 215, 5, 123, 139, L"", 0, 0},
    };
    AfxRegisterDialogTemplate(D::IDD, std::move(desc));
}

void RegisterGifs()
{
    const std::vector<BYTE> gifs[] = {
        std::vector<BYTE>(std::begin(k_tip_line), std::end(k_tip_line)),
        std::vector<BYTE>(std::begin(k_tip_select), std::end(k_tip_select)),
        std::vector<BYTE>(std::begin(k_tip_move), std::end(k_tip_move)),
    };
    // Each GIF id of the table takes one of the pictures in turn.
    int n = 0;
    for (int i = 0; i < CAboutboxHelpPrompt::kBuiltInTipCount; ++i) {
        const tagDAYHELP& tip = CAboutboxHelpPrompt::BuiltInTips()[i];
        if (tip.nGifID != 0) AfxRegisterResourceData(static_cast<UINT>(tip.nGifID), L"GIF", gifs[n++ % std::size(gifs)]);
    }
}

}  // namespace

void RegisterTipResources()
{
    for (const TipText& row : kTipTexts) AfxSetResourceString(row.id, row.text);
    RegisterTemplate();
    AfxRegisterImage(CAboutboxHelpPrompt::IDB_TITLE, MakeTitleImage());
    RegisterGifs();
}

}  // namespace korvel
