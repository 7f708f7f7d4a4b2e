// The preview block at the head of a document file, and the document file
// dialogs.
//
// Block layout: int32 byte count N, then N bytes. N = 0 is a document without a
// preview; otherwise the bytes are int32 width, int32 height and width x height
// x 4 bytes of BGRA pixels, top row first (N = 8 + width x height x 4).
#pragma once

#include "platform/core/WinString.h"

#include <vector>

class CArchive;

class CZdcFilePreview {
public:
    static constexpr int kPreviewWidth = 96;
    static constexpr int kPreviewHeight = 96;
    static constexpr int kMaxSide = 1024;  // larger stored previews are refused

    CZdcFilePreview() = default;

    // Renders the preview of the database: the entities' boxes in the
    // drawing colour on the background. mode 1 for the document, 0 for a
    // selection file (the selection's entities only).
    void GenBitmap(int mode);
    // Writes the block, or reads one (what is read replaces the preview).
    // Throws the archive exception for a damaged block.
    void BitmapSerialize(CArchive& ar);

    // File dialog: 1 open, 2 save ("Dalvex File(*.zdc)|*.zdc||"). FALSE when cancelled.
    static BOOL GetCADName(int mode, CString& path);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    const std::vector<BYTE>& GetPixels() const { return m_pixels; }

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<BYTE> m_pixels;
};
