#include "framework/widgra/ShowProgDlg.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<int> g_open{0};
std::mutex g_titleLock;
CString g_lastTitle;

}  // namespace

CShowProgDlg::CShowProgDlg(const CString& title, int cancelButton) : m_title(title), m_nCancel(cancelButton)
{
    ++g_open;
    const std::lock_guard<std::mutex> lock(g_titleLock);
    g_lastTitle = title;
}

CShowProgDlg::~CShowProgDlg() { --g_open; }

int CShowProgDlg::OpenCount() { return g_open; }

CString CShowProgDlg::LastTitle()
{
    const std::lock_guard<std::mutex> lock(g_titleLock);
    return g_lastTitle;
}
