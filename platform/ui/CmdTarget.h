#pragma once
// Command targets and their message maps.
//
// A message map is a static table of entries, searched in table order (the first
// entry that matches wins), then the base class's table, and so on up to CCmdTarget.
// An entry matches a window message by number (a registered message by the number it
// got at run time), or a command or update-command-UI request by an id range.
// Handlers are member functions; each entry stores a small thunk that unpacks the
// message parameters into the handler's own signature.

#include "platform/core/Object.h"
#include "platform/ui/UiTypes.h"

class CCmdTarget;
class CCmdUI;

using AfxThunk = LRESULT (*)(CCmdTarget* pTarget, UINT nID, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;           // window message, or WM_COMMAND for command and update entries
  int nCode;               // CN_COMMAND or CN_UPDATE_COMMAND_UI for command entries
  UINT nID;                // first command id
  UINT nLastID;            // last command id (== nID for a single command)
  const UINT* pRegistered; // registered message: its number is read here when dispatching
  AfxThunk pfn;            // null ends the table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Filled by OnCmdMsg when asked only whether a handler exists.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
  const AFX_MSGMAP_ENTRY* pEntry;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
public:
  CCmdTarget() = default;

  // Routes a command (nCode CN_COMMAND) or an update request (CN_UPDATE_COMMAND_UI,
  // pExtra = the CCmdUI) through this target's map. With pHandlerInfo the handler is
  // only looked up, not called. TRUE when a handler was found.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // First entry of this object's map chain handling a window message; null when none.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage) const;

  // The busy cursor over the whole application while long work runs; calls nest.
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // Looks up (and calls unless pHandlerInfo) the command entry of this object's own chain.
  BOOL DispatchCommand(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);
};

// Shows the busy cursor for its lifetime.
class CWaitCursor {
public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore();
};

// Thunks: one per handler signature, instantiated for each handler named in a map.
namespace afx_detail {
template <class M>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  using type = C;
};
template <auto F>
using ClassOf = typename MemberOf<decltype(F)>::type;
template <auto F>
ClassOf<F>* Cast(CCmdTarget* p) {
  return static_cast<ClassOf<F>*>(p);
}

template <auto F>
LRESULT Command(CCmdTarget* p, UINT, WPARAM, LPARAM) {
  (Cast<F>(p)->*F)();
  return 0;
}
template <auto F>
LRESULT CommandRange(CCmdTarget* p, UINT nID, WPARAM, LPARAM) {
  (Cast<F>(p)->*F)(nID);
  return 0;
}
template <auto F>
LRESULT UpdateUI(CCmdTarget* p, UINT, WPARAM, LPARAM lParam) {
  (Cast<F>(p)->*F)(reinterpret_cast<CCmdUI*>(lParam));
  return 0;
}
template <auto F>
LRESULT Message(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  return (Cast<F>(p)->*F)(wParam, lParam);
}
template <auto F>
LRESULT Void(CCmdTarget* p, UINT, WPARAM, LPARAM) {
  (Cast<F>(p)->*F)();
  return 0;
}
template <auto F>
LRESULT Create(CCmdTarget* p, UINT, WPARAM, LPARAM lParam) {
  return (Cast<F>(p)->*F)(reinterpret_cast<LPCREATESTRUCT>(lParam));
}
template <auto F>
LRESULT Size(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  (Cast<F>(p)->*F)(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  return 0;
}
template <auto F>
LRESULT Timer(CCmdTarget* p, UINT, WPARAM wParam, LPARAM) {
  (Cast<F>(p)->*F)(static_cast<UINT_PTR>(wParam));
  return 0;
}
template <auto F>
LRESULT DropFiles(CCmdTarget* p, UINT, WPARAM wParam, LPARAM) {
  (Cast<F>(p)->*F)(reinterpret_cast<HDROP>(wParam));
  return 0;
}
template <auto F>
LRESULT SysCommand(CCmdTarget* p, UINT, WPARAM wParam, LPARAM lParam) {
  (Cast<F>(p)->*F)(static_cast<UINT>(wParam), lParam);
  return 0;
}
}  // namespace afx_detail

#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
  static const AFX_MSGMAP* GetThisMessageMap();        \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                              \
    using ThisClass [[maybe_unused]] = theClass;                                 \
    using TheBaseClass = baseClass;                                              \
    static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                    \
  {0, 0, 0, 0, nullptr, nullptr}                                             \
  };                                                                         \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
  return &messageMap;                                                        \
  }

#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &afx_detail::Command<memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr, \
   &afx_detail::CommandRange<memberFxn>},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                          \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
   &afx_detail::UpdateUI<memberFxn>},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                            \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr, \
   &afx_detail::UpdateUI<memberFxn>},
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message), 0, 0, 0, nullptr, &afx_detail::Message<memberFxn>},
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
  {0, 0, 0, 0, &(nMessageVariable), &afx_detail::Message<memberFxn>},

#define ON_WM_CREATE() {WM_CREATE, 0, 0, 0, nullptr, &afx_detail::Create<&ThisClass::OnCreate>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, nullptr, &afx_detail::Void<&ThisClass::OnDestroy>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, nullptr, &afx_detail::Void<&ThisClass::OnClose>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, nullptr, &afx_detail::Void<&ThisClass::OnPaint>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, 0, nullptr, &afx_detail::Size<&ThisClass::OnSize>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, nullptr, &afx_detail::Timer<&ThisClass::OnTimer>},
#define ON_WM_DROPFILES() {WM_DROPFILES, 0, 0, 0, nullptr, &afx_detail::DropFiles<&ThisClass::OnDropFiles>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, 0, nullptr, &afx_detail::SysCommand<&ThisClass::OnSysCommand>},
