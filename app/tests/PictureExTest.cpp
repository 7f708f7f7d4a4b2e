// The animated picture control on GIFs written by ImageMagick and gifsicle
// (tests/data/pictures/make-pictures.sh) and on still pictures.
#include "app/PictureEx.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/Resources.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QMovie>
#include <QPainter>
#include <QTest>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadFixture(const char* name)
{
    std::ifstream in(std::string(KORVEL_TEST_DATA "pictures/") + name, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

QRgb At(const CPictureEx& picture, int x, int y) { return picture.GetMemoryPicture().pixel(x, y) | 0xFF000000u; }

QRgb Background(const CPictureEx& picture)
{
    const COLORREF c = picture.GetBackgroundColor();
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

bool WaitUntilStopped(const CPictureEx& picture) { return QTest::qWaitFor([&] { return !picture.IsRunning(); }, 5000); }

class PictureExTest : public ::testing::Test {
protected:
    void SetUp() override { AfxEnsureQtApplication(); }
    bool Load(const char* name)
    {
        const std::vector<std::uint8_t> bytes = ReadFixture(name);
        return !bytes.empty() && m_picture.LoadFromBytes(bytes.data(), bytes.size());
    }
    CPictureEx m_picture;
};

// The animation as the control drew it when it kept every frame as a whole
// screen composed by Qt's GIF decoder, of which each frame's area was drawn.
class ComposedByQt {
public:
    ComposedByQt(const std::vector<std::uint8_t>& bytes, const CPictureEx& picture) : m_picture(picture)
    {
        QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        QMovie movie(&buffer, "gif");
        // A looping movie starts again after its last frame.
        for (int i = 0; i < picture.GetFrameCount() && movie.jumpToNextFrame(); ++i)
            m_screens.push_back(movie.currentImage().convertToFormat(QImage::Format_ARGB32));
        const SIZE size = picture.GetPictureSize();
        m_memory = QImage(static_cast<int>(size.cx), static_cast<int>(size.cy), QImage::Format_RGB32);
        m_memory.fill(Background(picture));
    }
    int Frames() const { return static_cast<int>(m_screens.size()); }
    void Show(int i)
    {
        const QRect area = Area(i);
        if (m_picture.GetFrameDisposal(i) == 3) m_saved = m_memory.copy(area);
        QPainter(&m_memory).drawImage(area.topLeft(), m_screens[static_cast<std::size_t>(i)], area);
    }
    void Dispose(int i)
    {
        const QRect area = Area(i);
        if (m_picture.GetFrameDisposal(i) == 2) {
            QPainter(&m_memory).fillRect(area, QColor(Background(m_picture)));
        } else if (m_picture.GetFrameDisposal(i) == 3 && !m_saved.isNull()) {
            QPainter(&m_memory).drawImage(area.topLeft(), m_saved);
            m_saved = QImage();
        }
    }
    void Clear() { m_memory.fill(Background(m_picture)); }
    // The first pixel where the control's picture differs, as text; empty when none does.
    std::string Difference() const
    {
        const QImage& shown = m_picture.GetMemoryPicture();
        if (shown.size() != m_memory.size()) return "the pictures differ in size";
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if ((shown.pixel(x, y) | 0xFF000000u) != (m_memory.pixel(x, y) | 0xFF000000u))
                    return "at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return {};
    }

private:
    QRect Area(int i) const
    {
        const RECT r = m_picture.GetFrameArea(i);
        return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    const CPictureEx& m_picture;
    std::vector<QImage> m_screens;
    QImage m_memory, m_saved;
};

}  // namespace

TEST_F(PictureExTest, FramesAndDelaysAsWritten)
{
    ASSERT_TRUE(Load("anim3.gif"));
    EXPECT_TRUE(m_picture.IsMultiFrame());
    ASSERT_EQ(m_picture.GetFrameCount(), 3);
    EXPECT_EQ(m_picture.GetPictureSize().cx, 40);
    EXPECT_EQ(m_picture.GetPictureSize().cy, 30);
    const int delays[] = {3, 50, 20};
    const int waits[] = {100, 500, 200};  // below 5 hundredths the short wait
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_picture.GetFrameDelay(i), delays[i]) << "frame " << i;
        EXPECT_EQ(m_picture.GetFrameWait(i), waits[i]) << "frame " << i;
    }
}

TEST_F(PictureExTest, FirstStartShowsFrameZeroLaterStartsPlayOnce)
{
    ASSERT_TRUE(Load("anim3.gif"));
    EXPECT_EQ(At(m_picture, 5, 5), Background(m_picture)) << "nothing drawn before the first start";
    EXPECT_FALSE(m_picture.StartPlaying()) << "a multi-frame start answers 0";
    EXPECT_TRUE(m_picture.IsRunning());
    EXPECT_EQ(At(m_picture, 5, 5), qRgb(255, 0, 0));
    ASSERT_TRUE(WaitUntilStopped(m_picture));
    EXPECT_EQ(m_picture.GetCurrentFrame(), 1);
    EXPECT_EQ(At(m_picture, 5, 5), qRgb(255, 0, 0)) << "the first pass ends on frame 0";

    // The next start: frames 1, 2, then 0, sampled as they change.
    std::vector<QRgb> seen;
    m_picture.StartPlaying();
    while (m_picture.IsRunning()) {
        const QRgb now = At(m_picture, 5, 5);
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        QTest::qWait(5);
    }
    EXPECT_EQ(seen, (std::vector<QRgb>{qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 0)}));
    EXPECT_EQ(m_picture.GetCurrentFrame(), 1);
}

TEST_F(PictureExTest, OneFrameGifIsAStill)
{
    ASSERT_TRUE(Load("one.gif"));
    EXPECT_FALSE(m_picture.IsMultiFrame());
    EXPECT_TRUE(m_picture.StartPlaying()) << "a still answers 1";
    EXPECT_FALSE(m_picture.IsRunning()) << "and starts no timer";
    EXPECT_EQ(At(m_picture, 12, 8), qRgb(255, 165, 0));
}

TEST_F(PictureExTest, DisposalToBackgroundLeavesTheAreaInTheBackgroundColour)
{
    ASSERT_TRUE(Load("dispose2.gif"));
    ASSERT_EQ(m_picture.GetFrameCount(), 2);
    EXPECT_EQ(m_picture.GetFrameDisposal(0), 2);
    m_picture.StartPlaying();
    EXPECT_EQ(At(m_picture, 20, 15), qRgb(255, 0, 0)) << "frame 0 drawn at its place";
    EXPECT_EQ(At(m_picture, 5, 2), Background(m_picture)) << "outside frame 0";
    ASSERT_TRUE(WaitUntilStopped(m_picture));
    EXPECT_EQ(At(m_picture, 20, 15), Background(m_picture)) << "frame 0's area after its disposal";
    m_picture.StartPlaying();
    EXPECT_EQ(At(m_picture, 2, 2), qRgb(0, 0, 255)) << "frame 1";
    EXPECT_EQ(At(m_picture, 20, 15), Background(m_picture)) << "frame 0's area while frame 1 shows";
    m_picture.StopPlaying();
}

TEST_F(PictureExTest, StillsSizedFromThePicture)
{
    for (const char* name : {"still.bmp", "still.jpg"}) {
        ASSERT_TRUE(Load(name)) << name;
        EXPECT_FALSE(m_picture.IsMultiFrame()) << name;
        EXPECT_EQ(m_picture.GetPictureSize().cx, 30) << name;
        EXPECT_EQ(m_picture.GetPictureSize().cy, 20) << name;
        EXPECT_TRUE(m_picture.StartPlaying()) << name;
        const QColor left(At(m_picture, 5, 10)), right(At(m_picture, 25, 10));
        const int tolerance = std::string(name).ends_with(".jpg") ? 8 : 0;
        EXPECT_NEAR(left.red(), 0xcc, tolerance) << name;
        EXPECT_NEAR(left.green(), 0x22, tolerance) << name;
        EXPECT_NEAR(left.blue(), 0x00, tolerance) << name;
        EXPECT_NEAR(right.red(), 0x33, tolerance) << name;
        EXPECT_NEAR(right.green(), 0x66, tolerance) << name;
        EXPECT_NEAR(right.blue(), 0x99, tolerance) << name;
    }
}

TEST_F(PictureExTest, DataThatDoesNotDecodeFailsAndLeavesTheControlEmpty)
{
    for (const char* name : {"truncated.gif", "notimage.txt"}) {
        ASSERT_TRUE(Load("anim3.gif"));
        EXPECT_FALSE(Load(name)) << name;
        EXPECT_FALSE(m_picture.IsPrepared()) << name;
        EXPECT_EQ(m_picture.GetFrameCount(), 0) << name;
        EXPECT_EQ(m_picture.GetPictureSize().cx, 0) << name;
        EXPECT_EQ(m_picture.GetBackgroundColor(), RGB(255, 255, 255)) << name;
        EXPECT_FALSE(m_picture.StartPlaying()) << name;
    }
}

// A frame reaching past the logical screen is drawn, saved and restored
// inside the screen only.
TEST_F(PictureExTest, FramesStayInsideTheScreen)
{
    ASSERT_TRUE(Load("frame-beyond-screen.gif"));
    const SIZE size = m_picture.GetPictureSize();
    ASSERT_EQ(m_picture.GetFrameCount(), 2);
    for (int i = 0; i < m_picture.GetFrameCount(); ++i) {
        const RECT area = m_picture.GetFrameArea(i);
        EXPECT_TRUE(area.left >= 0 && area.top >= 0 && area.right <= size.cx && area.bottom <= size.cy) << "frame " << i;
    }
    const RECT second = m_picture.GetFrameArea(1);
    EXPECT_EQ(second.left, 30);
    EXPECT_EQ(second.bottom, 30);
    m_picture.StartPlaying();
    ASSERT_TRUE(WaitUntilStopped(m_picture));
    m_picture.StartPlaying();
    ASSERT_TRUE(WaitUntilStopped(m_picture));
    EXPECT_EQ(m_picture.GetMemoryPicture().width(), size.cx);
    EXPECT_EQ(m_picture.GetMemoryPicture().height(), size.cy);
}

// Found by fuzzing: frames declaring far more pixels than their few bytes can
// describe (a frame of 55988 x 29579 in 12 bytes; 23 frames of up to 256 x
// 24576 in 1236 bytes took seconds) are damaged: the animation ends before
// the first of them, and a file whose first frame is damaged is refused.
TEST_F(PictureExTest, FramesDeclaringMorePixelsThanTheirBytesAreNotDecoded)
{
    ASSERT_TRUE(Load("frame-declaring-more-than-its-bytes.gif"));
    EXPECT_EQ(m_picture.GetFrameCount(), 1);
    EXPECT_EQ(m_picture.GetPictureSize().cx, 40);
    for (const char* name : {"hostile-frame-beyond-screen.gif", "hostile-frames-declaring-more-than-their-bytes.gif"}) {
        EXPECT_FALSE(Load(name)) << name;
        EXPECT_EQ(m_picture.GetFrameCount(), 0) << name;
    }
}

TEST_F(PictureExTest, PicturesTooLargeForAControlAreRefused)
{
    // A GIF whose logical screen is 65535 x 65535: header, screen and one
    // empty 1 x 1 frame.
    const std::uint8_t huge[] = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0, 0,
                                 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    EXPECT_FALSE(m_picture.LoadFromBytes(huge, sizeof huge));
    EXPECT_FALSE(m_picture.IsPrepared());
}

TEST_F(PictureExTest, LoadedFromAResourceTheFirstFrameDoesNotWait)
{
    const std::vector<std::uint8_t> bytes = ReadFixture("anim3.gif");
    AfxRegisterResourceData(4711, L"GIF", std::vector<BYTE>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(m_picture.LoadFromResource(nullptr, 4711, L"GIF"));
    m_picture.StartPlaying();
    EXPECT_EQ(At(m_picture, 5, 5), qRgb(255, 0, 0));
    // No wait after frame 0: the pass ends at the next turn of the event loop.
    QTest::qWait(30);
    EXPECT_FALSE(m_picture.IsRunning());
    EXPECT_FALSE(m_picture.LoadFromResource(nullptr, 4712, L"GIF")) << "a missing resource";
}

TEST_F(PictureExTest, DestroyingWhilePlayingStops)
{
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, L"parent", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 200}, nullptr, 0));
    ASSERT_TRUE(m_picture.Create(L"", SS_BITMAP | WS_VISIBLE, RECT{10, 10, 20, 20}, &parent, 6064));
    ASSERT_TRUE(Load("anim3.gif"));
    m_picture.StartPlaying();
    ASSERT_TRUE(WaitUntilStopped(m_picture));
    m_picture.StartPlaying();
    ASSERT_TRUE(m_picture.IsRunning());
    const QRgb showing = At(m_picture, 5, 5);
    m_picture.DestroyWindow();
    EXPECT_FALSE(m_picture.IsRunning());
    QTest::qWait(600);
    EXPECT_EQ(At(m_picture, 5, 5), showing) << "no frame drawn after the window went";
    parent.DestroyWindow();
}

// Each frame decoded as it is drawn gives the pictures the whole screens Qt
// composed gave: the first start, then a whole pass, stepped frame by frame.
TEST_F(PictureExTest, FramesDrawnOneAtATimeAsComposedByQt)
{
    for (const char* name : {"anim3.gif", "dispose2.gif", "frame-beyond-screen.gif", "interlaced-transparent.gif"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = ReadFixture(name);
        ASSERT_TRUE(m_picture.LoadFromBytes(bytes.data(), bytes.size()));
        ComposedByQt reference(bytes, m_picture);
        const int n = m_picture.GetFrameCount();
        ASSERT_EQ(reference.Frames(), n);
        m_picture.StartPlaying();
        reference.Dispose(0), reference.Show(0);
        EXPECT_EQ(reference.Difference(), "") << "frame 0 at the first start";
        m_picture.AfterWait();
        reference.Dispose(0);
        EXPECT_FALSE(m_picture.IsRunning());
        EXPECT_EQ(reference.Difference(), "") << "after frame 0";
        m_picture.StartPlaying();
        reference.Dispose(1), reference.Show(1);
        EXPECT_EQ(reference.Difference(), "") << "frame 1";
        for (int i = 2; i < n; ++i) {
            m_picture.AfterWait();
            reference.Dispose(i - 1), reference.Show(i);
            EXPECT_EQ(reference.Difference(), "") << "frame " << i;
        }
        m_picture.AfterWait();
        reference.Dispose(n - 1), reference.Clear(), reference.Show(0);
        EXPECT_EQ(reference.Difference(), "") << "frame 0 ending the pass";
        m_picture.AfterWait();
        reference.Dispose(0);
        EXPECT_FALSE(m_picture.IsRunning());
        EXPECT_EQ(reference.Difference(), "") << "after the pass";
    }
}

// Where Qt's composed screens were wrong, the frames now show what the file
// holds: an interlaced frame reaching past the screen keeps its rows in order
// (Qt laid them out by the interlace passes of the clipped height), and
// transparent pixels over an area disposed to the background show the
// background (Qt showed its own idea of what lay under them).
TEST_F(PictureExTest, InterlacedFramesPastTheScreenAndDisposedAreasAsTheFileHolds)
{
    ASSERT_TRUE(Load("mixed-frames.gif"));
    ASSERT_EQ(m_picture.GetFrameCount(), 5);
    m_picture.StartPlaying();
    m_picture.AfterWait();
    // Frame 1, disposed to the background, is a red box at (7, 8) in a
    // transparent 20 x 16 frame at (5, 6); its disposal comes first.
    m_picture.StartPlaying();
    EXPECT_EQ(At(m_picture, 10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(At(m_picture, 5, 6), Background(m_picture));
    // Frame 2's transparent corner at (10, 20) lies in frame 1's area.
    m_picture.AfterWait();
    EXPECT_EQ(At(m_picture, 10, 20), Background(m_picture));
    // Frame 3: 16 interlaced rows from blue to white at (40, 28), 8 of them
    // on the screen.
    m_picture.AfterWait();
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(At(m_picture, 40, 28 + row), qRgb(0x11 * row, 0x11 * row, 0xFF)) << "row " << row;
    m_picture.StopPlaying();
}

// Found by fuzzing: 17 frames of 0 x 0 at (65535, 255) on a 1064 x 768
// screen, in 1101 bytes, cost a whole screen each when every frame was kept
// composed. They draw nothing; the control holds its one screen picture while
// it loads and plays them.
TEST_F(PictureExTest, EmptyFramesOffTheScreenHoldNoPictures)
{
    ASSERT_TRUE(Load("hostile-empty-frames-off-screen.gif"));
    const SIZE size = m_picture.GetPictureSize();
    ASSERT_EQ(size.cx, 1064);
    ASSERT_EQ(size.cy, 768);
    const long long screen = static_cast<long long>(size.cx) * size.cy;
    ASSERT_GT(m_picture.GetFrameCount(), 1);
    EXPECT_EQ(m_picture.GetHeldPixels(), screen);
    const QImage before = m_picture.GetMemoryPicture().copy();
    m_picture.StartPlaying();
    m_picture.AfterWait();
    m_picture.StartPlaying();
    for (int i = 1; i < m_picture.GetFrameCount() && m_picture.IsRunning(); ++i) {
        const RECT area = m_picture.GetFrameArea(i);
        EXPECT_TRUE(area.right == area.left || area.bottom == area.top) << "frame " << i;
        m_picture.AfterWait();
        EXPECT_EQ(m_picture.GetHeldPixels(), screen) << "frame " << i;
    }
    m_picture.StopPlaying();
    EXPECT_EQ(m_picture.GetMemoryPicture(), before) << "nothing drawn";
}
