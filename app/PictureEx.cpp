#include "app/PictureEx.h"

#include "framework/extendra/PlugInResources.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Resources.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CPictureEx, CStatic)

BEGIN_MESSAGE_MAP(CPictureEx, CStatic)
    ON_WM_DESTROY()
    ON_WM_LBUTTONUP()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
// Delays shorter than this many hundredths are taken as the short wait.
constexpr int kMinDelay = 5;
// Notification code of a click on a static control.
constexpr UINT kStaticClicked = 0;

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

bool FitsControl(int width, int height)
{
    return width > 0 && height > 0 && width <= CPictureEx::kMaxSide && height <= CPictureEx::kMaxSide &&
           static_cast<long long>(width) * height <= CPictureEx::kMaxPixels;
}

}  // namespace

CPictureEx::CPictureEx() : m_crBackground(kWhite), m_timer(std::make_unique<QTimer>())
{
    m_timer->setSingleShot(true);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] { AfterWait(); });
}

CPictureEx::~CPictureEx()
{
    m_timer->stop();
    Release();
}

int CPictureEx::GetFrameWait(int i) const
{
    const int delay = GetFrameDelay(i);
    return delay >= kMinDelay ? delay * 10 : kShortDelayMs;
}

BOOL CPictureEx::LoadFromResource(void* hModule, UINT nID, LPCTSTR lpszType)
{
    m_bSkipFirstWait = TRUE;
    std::vector<BYTE> bytes;
    if (hModule == nullptr) {
        const std::vector<BYTE>* own = AfxFindResourceData(nID, lpszType);
        if (own == nullptr) return FALSE;
        bytes = *own;
    } else if (!PlugInFindResource(hModule, nID, lpszType, bytes)) {
        return FALSE;
    }
    // The bytes go through a memory block, as a loaded resource would.
    void* block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block == nullptr) return FALSE;
    if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    const BOOL ok = LoadFromMemory(block, bytes.size());
    GlobalFree(block);
    return ok;
}

BOOL CPictureEx::LoadFromMemory(void* hGlobal, std::size_t size)
{
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(hGlobal));
    if (data == nullptr || size > GlobalSize(hGlobal)) {
        Release();
        return FALSE;
    }
    const BOOL ok = LoadFromBytes(data, size);
    GlobalUnlock(hGlobal);
    return ok;
}

BOOL CPictureEx::LoadFromBytes(const std::uint8_t* data, std::size_t size)
{
    Release();
    if (data == nullptr || size == 0) return FALSE;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    m_bIsGif = size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
    if (m_bIsGif) {
        if (!ParseGif(data, size)) {
            Release();
            return FALSE;
        }
    }
    if (!m_bIsGif || m_frames.size() == 1) {
        // A still, or a GIF of one frame: the reader takes the whole data.
        m_frames.clear();
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        // A size announced beyond the limit is not decoded at all.
        const QSize announced = reader.size();
        if (!announced.isValid() || FitsControl(announced.width(), announced.height())) m_still = reader.read();
        if (m_still.isNull() || !FitsControl(m_still.width(), m_still.height())) {
            Release();
            return FALSE;
        }
        m_nWidth = m_still.width();
        m_nHeight = m_still.height();
        if (m_bIsGif) {
            korvel::GifFrameInfo info;
            info.width = m_nWidth, info.height = m_nHeight, info.end = size;
            m_frames.push_back(Frame{info, QRect(0, 0, m_nWidth, m_nHeight)});
        }
    }
    if (!CreateMemoryPicture(m_nWidth, m_nHeight)) {
        Release();
        return FALSE;
    }
    return TRUE;
}

// The frames the block walk finds whole and whose data decode, in order; the
// first one that does not ends them. Only the data are checked here, at a
// cost bounded by their bytes; a frame's pixels are decoded when it is drawn.
bool CPictureEx::ParseGif(const std::uint8_t* data, std::size_t size)
{
    std::optional<korvel::GifLayout> layout = korvel::WalkGif(data, size);
    if (!layout || layout->frames.empty() || !FitsControl(layout->width, layout->height)) return false;
    m_nWidth = layout->width;
    m_nHeight = layout->height;
    // An LZW code of at most 12 bits stands for at most 4096 pixels, so a
    // frame cannot describe more than 4096 pixels per byte of it. Frames from
    // the first that declares more than its bytes can describe are damaged
    // and are not decoded.
    const auto damaged = std::find_if(layout->frames.begin(), layout->frames.end(), [](const korvel::GifFrameInfo& f) {
        return static_cast<long long>(f.width) * f.height > kGifPixelsPerByte * static_cast<long long>(f.end - f.start);
    });
    layout->frames.erase(damaged, layout->frames.end());
    if (layout->frames.empty()) return false;
    // A frame's area is drawn, saved and disposed inside the screen only.
    const QRect screen(0, 0, m_nWidth, m_nHeight);
    for (const korvel::GifFrameInfo& frame : layout->frames) {
        // A GIF of one frame is read whole as a still.
        if (layout->frames.size() > 1 && !korvel::DecodeGifFrame(data, size, *layout, frame, 0, 0, 0, 0, nullptr)) break;
        m_frames.push_back(Frame{frame, QRect(frame.left, frame.top, frame.width, frame.height).intersected(screen)});
    }
    if (m_frames.size() > 1) {
        m_gif.assign(data, data + size);
        m_layout = std::move(*layout);
        m_layout.frames.clear();
    }
    return !m_frames.empty();
}

// The pixels frame draws inside its area, transparent where it draws none.
QImage CPictureEx::FrameImage(const Frame& frame) const
{
    const QRect& area = frame.area;
    if (area.isEmpty()) return QImage();
    std::vector<std::uint32_t> argb;
    korvel::DecodeGifFrame(m_gif.data(), m_gif.size(), m_layout, frame.info, area.left(), area.top(), area.width(),
                           area.height(), &argb);
    QImage image(area.size(), QImage::Format_ARGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(image.scanLine(y), argb.data() + static_cast<std::size_t>(y) * area.width(),
                    static_cast<std::size_t>(area.width()) * sizeof(std::uint32_t));
    return image;
}

long long CPictureEx::GetHeldPixels() const
{
    long long pixels = 0;
    for (const QImage* image : {&m_memory, &m_savedBackground, &m_still})
        pixels += static_cast<long long>(image->width()) * image->height();
    return pixels;
}

void CPictureEx::Release()
{
    StopPlaying();
    m_frames.clear();
    m_gif.clear();
    m_gif.shrink_to_fit();
    m_layout = korvel::GifLayout();
    m_still = QImage();
    m_memory = QImage();
    m_savedBackground = QImage();
    m_nWidth = m_nHeight = 0;
    m_nCurrentFrame = 0;
    m_bIsGif = FALSE;
    m_bPrepared = FALSE;
    m_crBackground = kWhite;
    if (GetWidget() != nullptr) SetImage(QImage());
}

BOOL CPictureEx::CreateMemoryPicture(int width, int height)
{
    if (width <= 0 || height <= 0) return FALSE;
    if (QWidget* widget = GetWidget()) widget->resize(width, height);
    m_memory = QImage(width, height, QImage::Format_RGB32);
    if (m_memory.isNull()) return FALSE;
    const QColor face = QApplication::palette().color(QPalette::Button);
    m_crBackground = RGB(face.red(), face.green(), face.blue());
    m_memory.fill(face);
    m_bPrepared = TRUE;
    return TRUE;
}

BOOL CPictureEx::StartPlaying()
{
    if (!m_bPrepared) return FALSE;
    if (IsMultiFrame()) {
        if (m_bRunning) return FALSE;
        m_bRunning = TRUE;
        ApplyDisposal(m_frames[static_cast<std::size_t>(m_nCurrentFrame)]);
        ShowFrame();
        return FALSE;
    }
    if (m_still.isNull()) return FALSE;
    QPainter painter(&m_memory);
    painter.drawImage(QRect(0, 0, m_nWidth, m_nHeight), m_still);
    painter.end();
    ShowMemoryPicture();
    return TRUE;
}

void CPictureEx::StopPlaying()
{
    m_bRunning = FALSE;
    if (m_timer) m_timer->stop();
}

void CPictureEx::ApplyDisposal(const Frame& frame)
{
    const QRect& area = frame.area;
    if (area.isEmpty()) return;
    if (frame.info.disposal == 2) {
        QPainter(&m_memory).fillRect(area, ToQColor(m_crBackground));
    } else if (frame.info.disposal == 3 && !m_savedBackground.isNull()) {
        QPainter(&m_memory).drawImage(area.topLeft(), m_savedBackground);
        m_savedBackground = QImage();
    }
}

// Draws the current frame's area and waits its delay (not after the first
// frame shown from a resource).
void CPictureEx::ShowFrame()
{
    const Frame& frame = m_frames[static_cast<std::size_t>(m_nCurrentFrame)];
    if (!frame.area.isEmpty()) {
        if (frame.info.disposal == 3) m_savedBackground = m_memory.copy(frame.area);
        QPainter(&m_memory).drawImage(frame.area.topLeft(), FrameImage(frame));
    }
    ShowMemoryPicture();
    int wait = GetFrameWait(m_nCurrentFrame);
    if (m_bSkipFirstWait) {
        m_bSkipFirstWait = FALSE;
        wait = 0;
    }
    m_timer->start(wait);
}

void CPictureEx::AfterWait()
{
    if (!m_bRunning) return;
    ApplyDisposal(m_frames[static_cast<std::size_t>(m_nCurrentFrame)]);
    if (m_nCurrentFrame == 0) {
        // A pass ends on frame 0; the next start begins with frame 1.
        m_nCurrentFrame = 1;
        m_bRunning = FALSE;
        ShowMemoryPicture();
        return;
    }
    if (++m_nCurrentFrame >= GetFrameCount()) {
        m_nCurrentFrame = 0;
        m_memory.fill(ToQColor(m_crBackground));
    }
    ShowFrame();
}

void CPictureEx::ShowMemoryPicture()
{
    if (GetWidget() != nullptr) SetImage(m_memory);
}

void CPictureEx::OnDestroy()
{
    StopPlaying();
    CStatic::OnDestroy();
}

// A click tells the parent, as a static control with notification does.
void CPictureEx::OnLButtonUp(UINT, CPoint)
{
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), static_cast<WORD>(kStaticClicked)),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

BOOL CPictureEx::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (CWnd* parent = GetParent();
        parent != nullptr && parent->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hWnd),
                                                 MAKELPARAM(static_cast<WORD>(nHitTest), static_cast<WORD>(message))))
        return TRUE;
    return CStatic::OnSetCursor(pWnd, nHitTest, message);
}
