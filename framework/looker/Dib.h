// Device-independent bitmap: 32-bit BGRA pixels, top row first, shared by
// reference count between the entities that show it.
#pragma once

#include "platform/core/DibSection.h"
#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

#include <cstddef>
#include <functional>
#include <vector>

class CDib {
public:
    // Reads an image file into width, height and BGRA pixels; false when it
    // cannot. The program installs a reader for every format its toolkit knows.
    using Reader = std::function<bool(const CString& path, int& width, int& height, std::vector<BYTE>& bgra)>;

    CDib() = default;
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Reads the file with the installed reader, or, without one, an
    // uncompressed 24- or 32-bit BMP. FALSE (the bitmap unchanged) on failure.
    BOOL ReadFile(const CString& path);
    // A packed bitmap (info header, colour table, rows) of size bytes, as a
    // scanner's native transfer hands it over: 1-, 4-, 8-, 24- or 32-bit,
    // uncompressed. FALSE (the bitmap unchanged) when it does not read.
    BOOL CreateFromPackedDib(const void* dib, std::size_t size);
    // Size up to 16384 x 16384; FALSE (unchanged) for others or a short buffer.
    BOOL Create(int width, int height, const BYTE* bgra = nullptr);
    // The pixels of a 24-bit bitmap section, opaque; FALSE (unchanged) for one not created.
    BOOL CBitmap2Bitmap(const CDibSection& bitmap);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    const std::vector<BYTE>& GetBits() const { return m_bits; }
    BOOL IsEmpty() const { return m_bits.empty(); }

    // Shared ownership: a new bitmap has count 1; Release deletes it at 0.
    void AddRef() { ++m_nRef; }
    void Release();
    int GetRefCount() const { return m_nRef; }

    static void SetReader(Reader reader);

    static constexpr int kMaxSide = 16384;

private:
    ~CDib() = default;

    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<BYTE> m_bits;
    int m_nRef = 1;
};
