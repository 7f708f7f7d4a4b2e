// A static control that shows a picture held in memory: still pictures of
// any format the toolkit reads, and GIFs with several frames, played on the
// user-interface thread by a timer. The picture is drawn into a memory
// picture of the control's size; the control shows a copy of it. A GIF's
// frames are kept as their place in the file's bytes and decoded one at a
// time as they are drawn, so an animation holds one picture of its screen
// however many frames it has.
//
// Loading shows frame 0 at the first start; every later start plays frames 1
// to the last, then 0, once. A frame waits its delay x 10 ms when the delay is
// 5 hundredths or more, else 100 ms. A frame with disposal method 2 leaves its
// area in the background colour before the next frame is drawn; method 3
// restores what was under it.
#pragma once

#include "app/GifWalker.h"
#include "platform/ui/Controls.h"

#include <QImage>

#include <memory>
#include <vector>

class QTimer;

class CPictureEx : public CStatic {
    DECLARE_DYNAMIC(CPictureEx)
public:
    static constexpr int kShortDelayMs = 100;
    // Pictures larger than this (either side, or in pixels) are not loaded:
    // the memory picture would not fit a control.
    static constexpr int kMaxSide = 8192;
    static constexpr long long kMaxPixels = 16LL * 1024 * 1024;
    // Most pixels one byte of a GIF frame's data can stand for.
    static constexpr long long kGifPixelsPerByte = 4096;

    CPictureEx();
    ~CPictureEx() override;

    // The resource's bytes from the module (null: the program's own
    // resources, else a plug-in module); 0 when it is missing or does not load.
    BOOL LoadFromResource(void* hModule, UINT nID, LPCTSTR lpszType);
    // Nonzero when the bytes of the block load; a failure leaves the control empty.
    BOOL LoadFromMemory(void* hGlobal, std::size_t size);
    BOOL LoadFromBytes(const std::uint8_t* data, std::size_t size);
    void Release();
    // Multi-frame GIF: starts the frames and answers 0; a still is drawn and
    // answers 1; nothing (0) without a picture.
    BOOL StartPlaying();
    void StopPlaying();
    BOOL IsRunning() const { return m_bRunning; }
    BOOL IsMultiFrame() const { return m_bIsGif && m_frames.size() > 1; }
    BOOL CreateMemoryPicture(int width, int height);

    int GetFrameCount() const { return static_cast<int>(m_frames.size()); }
    // Delay in hundredths (-1 when the frame has none) and disposal method.
    int GetFrameDelay(int i) const { return m_frames[static_cast<std::size_t>(i)].info.delay; }
    int GetFrameDisposal(int i) const { return m_frames[static_cast<std::size_t>(i)].info.disposal; }
    // The area frame i draws, inside the picture.
    RECT GetFrameArea(int i) const
    {
        const QRect& area = m_frames[static_cast<std::size_t>(i)].area;
        return RECT{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    }
    // How long frame i stays before the next one, in milliseconds.
    int GetFrameWait(int i) const;
    int GetCurrentFrame() const { return m_nCurrentFrame; }
    SIZE GetPictureSize() const { return SIZE{m_nWidth, m_nHeight}; }
    COLORREF GetBackgroundColor() const { return m_crBackground; }
    const QImage& GetMemoryPicture() const { return m_memory; }
    BOOL IsPrepared() const { return m_bPrepared; }
    // Pixels of the pictures the control keeps between frames.
    long long GetHeldPixels() const;

    // What the timer does when the current frame's wait ends: the frame is
    // disposed and the next one drawn; a pass ends after frame 0.
    void AfterWait();

    void OnDestroy();
    void OnLButtonUp(UINT nFlags, CPoint point);
    // The parent decides the cursor first, as for a child control.
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

protected:
    DECLARE_MESSAGE_MAP()

private:
    struct Frame {
        korvel::GifFrameInfo info;  // where its bytes lie, as declared, with its delay and disposal
        QRect area;                 // the part of the screen it draws
    };

    bool ParseGif(const std::uint8_t* data, std::size_t size);
    QImage FrameImage(const Frame& frame) const;
    void ApplyDisposal(const Frame& frame);
    void ShowFrame();
    void ShowMemoryPicture();

    BOOL m_bSkipFirstWait = FALSE;
    int m_nWidth = 0, m_nHeight = 0;
    COLORREF m_crBackground;
    int m_nCurrentFrame = 0;
    BOOL m_bIsGif = FALSE;
    BOOL m_bRunning = FALSE;
    BOOL m_bPrepared = FALSE;
    QImage m_memory;
    QImage m_savedBackground;  // the area under a frame with disposal method 3
    QImage m_still;
    std::vector<Frame> m_frames;
    std::vector<std::uint8_t> m_gif;  // the bytes of a multi-frame GIF
    korvel::GifLayout m_layout;        // its screen and colour table
    std::unique_ptr<QTimer> m_timer;
};
