// A window object of the framework wrapped around a window handle it does
// not own: attached for as long as the library needs it as a parent, then
// detached so that the handle's owner finds the window as it was.
#pragma once

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  bool Attach(void* hwnd);
  void* Detach();
  void* GetSafeHwnd() const { return m_hWnd; }

 protected:
  void* m_hWnd = nullptr;
};
