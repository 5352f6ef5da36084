// Device contexts tied to a window: CPaintDC for WM_PAINT, CClientDC and
// CWindowDC outside it.
#include "framework_wnd.h"

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
  HDC h = ::BeginPaint(m_hWnd, &m_ps);
  if (h) Attach(h);
}

CPaintDC::~CPaintDC() {
  Detach();
  ::EndPaint(m_hWnd, &m_ps);  // gives the DC back even when the window went meanwhile
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
  HDC h = ::GetDC(m_hWnd);
  if (h) Attach(h);
}

CClientDC::~CClientDC() {
  HDC h = Detach();
  if (h) ::ReleaseDC(m_hWnd, h);
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
  HDC h = ::GetWindowDC(m_hWnd);
  if (h) Attach(h);
}

CWindowDC::~CWindowDC() {
  HDC h = Detach();
  if (h) ::ReleaseDC(m_hWnd, h);
}
