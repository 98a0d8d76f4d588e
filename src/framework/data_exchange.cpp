#include "framework/data_exchange.h"

namespace {

// Characters as a Unicode edit control counts them, UTF-16 units, in the
// library's UTF-8 text: every byte that starts a character counts one, and
// one that starts a four-byte character (outside the BMP) counts two.
std::size_t Utf16Length(const std::string& text) {
  constexpr unsigned char kContinuationMask = 0xC0, kContinuation = 0x80, kFourByteLead = 0xF0;
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & kContinuationMask) != kContinuation) ++units;
    if (byte >= kFourByteLead) ++units;
  }
  return units;
}

}  // namespace

void CDataExchange::Fail() {
  if (!failed_ && m_idLastControl != 0) m_pDlgWnd->FocusItem(m_idLastControl);
  failed_ = true;
}

void DDX_Text(CDataExchange* pDX, int control_id, std::string& value) {
  if (pDX->failed()) return;
  pDX->m_idLastControl = control_id;
  if (pDX->m_bSaveAndValidate) {
    value = pDX->m_pDlgWnd->GetItemText(control_id);
  } else {
    pDX->m_pDlgWnd->SetItemText(control_id, value);
  }
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, std::size_t max_chars) {
  if (pDX->failed()) return;
  if (pDX->m_bSaveAndValidate) {
    if (Utf16Length(value) > max_chars) pDX->Fail();
  } else if (pDX->m_idLastControl != 0) {
    pDX->m_pDlgWnd->LimitItemText(pDX->m_idLastControl, max_chars);
  }
}
