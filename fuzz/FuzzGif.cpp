// Pictures of the animated picture control: the GIF block walk and loading
// through Qt's decoders, stills and multi-frame GIFs alike.
#include "app/GifWalker.h"
#include "app/PictureEx.h"
#include "platform/ui/QtApp.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    AfxEnsureQtApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto layout = korvel::WalkGif(data, size)) {
        for (const korvel::GifFrameInfo& frame : layout->frames)
            if (frame.start >= frame.end || frame.end > size) std::abort();
    }
    CPictureEx picture;
    if (picture.LoadFromBytes(data, size)) {
        // The first start draws frame 0; the next ones go on frame by frame,
        // as the timer would, for a few frames (each costs its area).
        picture.StartPlaying();
        for (int step = 0; step < 8; ++step) {
            if (!picture.IsRunning()) picture.StartPlaying();
            picture.AfterWait();
        }
        picture.StopPlaying();
    }
    return 0;
}
