#include "framework/wnd.h"

bool CWnd::Attach(void* hwnd) {
  if (m_hWnd != nullptr || hwnd == nullptr) return false;
  m_hWnd = hwnd;
  return true;
}

void* CWnd::Detach() {
  void* hwnd = m_hWnd;
  m_hWnd = nullptr;
  return hwnd;
}
