#pragma once
// Reading of picture files through Qt's image readers (BMP, JPEG, GIF and PNG
// built in; TIFF with the image-format plug-ins installed).

#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

#include <vector>

// The first image of the file as width x height pixels of 4 bytes (blue, green,
// red, alpha), top row first. FALSE, with the outputs untouched, when the file
// cannot be read, has no image or is larger than maxSide in either direction.
BOOL AfxReadImageFile(const CString& path, int& width, int& height, std::vector<BYTE>& bgra, int maxSide);
