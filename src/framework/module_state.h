// The module context: per thread, the module whose application object,
// settings store and resources are current. Every export makes the
// library's own context current for the length of the call and puts the
// caller's back on every way out.
#pragma once

class CWinApp;

struct AFX_MODULE_STATE {
  CWinApp* m_pCurrentWinApp = nullptr;
  // The module whose resources (dialog templates) are used; on Windows the
  // library's HINSTANCE, recorded at load.
  void* m_hCurrentResourceHandle = nullptr;
};

// The context current on this thread: the host's until an export switches.
AFX_MODULE_STATE* AfxGetModuleState();
// The library's own context; one static record while the library is loaded.
AFX_MODULE_STATE* AfxGetStaticModuleState();

// Makes `state` current for its lifetime and restores the previous one.
class AFX_MAINTAIN_STATE {
 public:
  explicit AFX_MAINTAIN_STATE(AFX_MODULE_STATE* state);
  ~AFX_MAINTAIN_STATE();
  AFX_MAINTAIN_STATE(const AFX_MAINTAIN_STATE&) = delete;
  AFX_MAINTAIN_STATE& operator=(const AFX_MAINTAIN_STATE&) = delete;

 private:
  AFX_MODULE_STATE* previous_;
};
