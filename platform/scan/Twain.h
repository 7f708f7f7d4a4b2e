// The image-acquisition protocol between the program and a source manager:
// the triplets (data group, data argument type, message), return and
// condition codes, and the records the two sides exchange, with the
// protocol's 2-byte packing. Handle and pointer fields are 64 bits wide here;
// every other field keeps its size and order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_BOOL = std::uint16_t;
using TW_HANDLE = void*;
using TW_MEMREF = void*;
using TW_STR32 = char[34];

// Data groups.
inline constexpr TW_UINT32 DG_CONTROL = 0x0001;
inline constexpr TW_UINT32 DG_IMAGE = 0x0002;

// Data argument types.
inline constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
inline constexpr TW_UINT16 DAT_EVENT = 0x0002;
inline constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
inline constexpr TW_UINT16 DAT_PARENT = 0x0004;
inline constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
inline constexpr TW_UINT16 DAT_STATUS = 0x0008;
inline constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
inline constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
inline constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;

// Messages.
inline constexpr TW_UINT16 MSG_NULL = 0x0000;
inline constexpr TW_UINT16 MSG_GET = 0x0001;
inline constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
inline constexpr TW_UINT16 MSG_SET = 0x0006;
inline constexpr TW_UINT16 MSG_RESET = 0x0007;
inline constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
inline constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
inline constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
inline constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
inline constexpr TW_UINT16 MSG_OPENDS = 0x0401;
inline constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
inline constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
inline constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
inline constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
inline constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
inline constexpr TW_UINT16 MSG_ENDXFER = 0x0701;

// Return codes.
inline constexpr TW_UINT16 TWRC_SUCCESS = 0;
inline constexpr TW_UINT16 TWRC_FAILURE = 1;
inline constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
inline constexpr TW_UINT16 TWRC_CANCEL = 3;
inline constexpr TW_UINT16 TWRC_DSEVENT = 4;
inline constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
inline constexpr TW_UINT16 TWRC_XFERDONE = 6;

// Condition codes.
inline constexpr TW_UINT16 TWCC_SUCCESS = 0;
inline constexpr TW_UINT16 TWCC_BUMMER = 1;
inline constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
inline constexpr TW_UINT16 TWCC_NODS = 3;
inline constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
inline constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
inline constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
inline constexpr TW_UINT16 TWCC_BADVALUE = 10;
inline constexpr TW_UINT16 TWCC_SEQERROR = 11;
inline constexpr TW_UINT16 TWCC_CAPUNSUPPORTED = 13;

// Capabilities, containers, item types and pixel types.
inline constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
inline constexpr TW_UINT16 TWON_ONEVALUE = 5;
inline constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;
inline constexpr TW_UINT16 TWTY_INT16 = 1;
inline constexpr TW_UINT16 TWTY_UINT16 = 4;
inline constexpr TW_INT16 TWPT_BW = 0;
inline constexpr TW_INT16 TWPT_GRAY = 1;
inline constexpr TW_INT16 TWPT_RGB = 2;
inline constexpr TW_UINT16 TWLG_ENGLISH_USA = 13;
inline constexpr TW_UINT16 TWCY_USA = 1;

#pragma pack(push, 2)

struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};

struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 EOJ;
};

#pragma pack(pop)

static_assert(sizeof(TW_VERSION) == 42 && sizeof(TW_IDENTITY) == 156, "identity records keep their size");
static_assert(offsetof(TW_IDENTITY, SupportedGroups) == 50 && offsetof(TW_IDENTITY, ProductName) == 122);
static_assert(sizeof(TW_STATUS) == 4 && sizeof(TW_ONEVALUE) == 6 && sizeof(TW_FIX32) == 4);
static_assert(sizeof(TW_IMAGEINFO) == 42 && offsetof(TW_IMAGEINFO, BitsPerPixel) == 34);
static_assert(sizeof(TW_PENDINGXFERS) == 6);
// Records with a handle or pointer: 2-byte packing, the pointer widened.
static_assert(sizeof(TW_CAPABILITY) == 12 && offsetof(TW_CAPABILITY, hContainer) == 4);
static_assert(sizeof(TW_USERINTERFACE) == 12 && offsetof(TW_USERINTERFACE, hParent) == 4);
static_assert(sizeof(TW_EVENT) == 10 && offsetof(TW_EVENT, TWMessage) == 8);

// Sets a 34-byte text field: the text cut to 33 bytes, the rest zero.
inline void TwainSetText(TW_STR32& dst, std::string_view src)
{
    std::memset(dst, 0, sizeof(TW_STR32));
    std::memcpy(dst, src.data(), std::min(src.size(), sizeof(TW_STR32) - 1));
}

// The source manager's entry point, exported by the module under this name.
using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG, TW_UINT16 DAT,
                                   TW_UINT16 MSG, TW_MEMREF pData);
inline constexpr const char* kDsmEntryName = "DSM_Entry";
// File name of the program's source manager module (in the program's folder).
inline constexpr const char* kDsmModuleName = "libkorveltwain.so";

// The window message a source posts to the application's window to raise a
// source event (MSG_XFERREADY or MSG_CLOSEDSREQ in wParam); the application
// hands it back through MSG_PROCESSEVENT. Outside the program's WM_USER + n.
inline constexpr unsigned kTwainSourceEventMessage = 0x8000 + 0x2A1;  // WM_APP + 0x2A1
