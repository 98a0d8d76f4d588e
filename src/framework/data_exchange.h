// Moves text between a dialog's controls and the strings of its class, and
// validates it on the way back.
#pragma once

#include <cstddef>
#include <string>

#include "platform/dialog.h"

class CDataExchange {
 public:
  CDataExchange(install::platform::DialogWindow* window, bool save_and_validate)
      : m_pDlgWnd(window), m_bSaveAndValidate(save_and_validate) {}

  // Refuses the exchange: the dialog stays open with the focus on the last
  // control exchanged, and the rest of the exchange is skipped.
  void Fail();
  bool failed() const { return failed_; }

  install::platform::DialogWindow* const m_pDlgWnd;
  const bool m_bSaveAndValidate;  // true: controls to strings, with checks
  int m_idLastControl = 0;

 private:
  bool failed_ = false;
};

void DDX_Text(CDataExchange* pDX, int control_id, std::string& value);
// On the way in, limits what the control takes; on the way back, refuses a
// longer text.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, std::size_t max_chars);
