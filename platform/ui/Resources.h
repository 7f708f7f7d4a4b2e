#pragma once
// String resources: texts looked up by id. The program's texts live in a resource
// module outside this layer; whoever owns them registers them here at start-up.

#include "platform/core/WinString.h"

#include <vector>

// Standard prompts and names of the class library (registered with default texts).
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;
constexpr UINT AFX_IDS_UNTITLED = 0xF000;
constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF101;
constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF102;
constexpr UINT AFX_IDP_ASK_TO_SAVE = 0xF103;
constexpr UINT AFX_IDP_COMMAND_FAILURE = 0xF108;

// FALSE (and an empty string) when the id has no text.
BOOL AfxLoadString(UINT nID, CString& rString);
CString AfxLoadString(UINT nID);
// Registers or replaces the text of an id.
void AfxSetResourceString(UINT nID, LPCTSTR lpszText);

// Data resources by id and type name ("GIF", ...): the bytes as the program
// registered them; null when there is none.
void AfxRegisterResourceData(UINT nID, LPCTSTR lpszType, std::vector<BYTE> bytes);
const std::vector<BYTE>* AfxFindResourceData(UINT nID, LPCTSTR lpszType);
