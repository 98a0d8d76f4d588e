// What the built DLL carries: the User Information dialog template and the
// version record, read back through the system's own resource functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "library.h"
#include "resource.h"

namespace install {
namespace {

// Reads a zero-terminated UTF-16 string (ASCII only here) and moves past it.
std::string ReadString(const WORD*& p) {
  std::string out;
  while (*p != 0) out += static_cast<char>(*p++);
  ++p;
  return out;
}

// One dialog item as "style x,y,cx,cy id class 'text'", the class by atom.
std::string ReadItem(const WORD*& p) {
  p = reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) & ~std::uintptr_t{3});
  const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
  p = reinterpret_cast<const WORD*>(item + 1);
  char head[64];
  std::snprintf(head, sizeof head, "%08lX %d,%d,%d,%d id %d class %04X%04X '",
                static_cast<unsigned long>(item->style), item->x, item->y, item->cx, item->cy,
                static_cast<short>(item->id), p[0], p[1]);
  p += 2;
  std::string text = head + ReadString(p) + "'";
  p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p + 1) + *p);
  return text;
}

template <typename Word>
std::string Bytes(const std::vector<Word>& words) {
  return std::string(reinterpret_cast<const char*>(words.data()), words.size() * sizeof(Word));
}

TEST(LibraryResources, TheDialogAndTheVersionRecordAreAsDesigned) {
  const std::string path = installctl::InstallLibrary::DefaultPath();
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << path;
  HRSRC found = ::FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEA(IDD_USER_INFO),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(found, nullptr);
  const auto* dialog =
      static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module, found)));
  EXPECT_EQ(
      std::vector<int>({int(dialog->style), int(dialog->dwExtendedStyle), dialog->cx, dialog->cy}),
      std::vector<int>({int(0x80C000C0u), 0, 246, 101}));
  const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
  std::vector<std::string> read;  // menu, class, title, point size, font, items
  for (int i = 0; i < 3; ++i) read.push_back(ReadString(p));
  read.push_back(std::to_string(*p++));
  read.push_back(ReadString(p));
  for (int i = 0; i < dialog->cdit; ++i) read.push_back(ReadItem(p));
  const std::vector<std::string> expected = {
      "",
      "",
      "Required Installation Information",
      "8",
      "MS Sans Serif",
      "50020002 7,37,95,8 id -1 class FFFF0082 'User Name:'",
      "50810080 106,34,133,14 id 1001 class FFFF0081 ''",
      "50020002 7,59,95,8 id -1 class FFFF0082 'Company Name:'",
      "50810080 106,57,133,14 id 1002 class FFFF0081 ''",
      "50010001 106,80,50,14 id 1 class FFFF0080 '&Accept'"};
  EXPECT_EQ(read, expected);
  ::FreeLibrary(module);

  DWORD ignored = 0;
  std::vector<char> info(::GetFileVersionInfoSizeA(path.c_str(), &ignored));
  ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, info.size(), info.data()));
  // A value as bytes; a name without a leading backslash is one of the texts.
  const auto value = [&](const std::string& name) -> std::string {
    const std::string query = name[0] == '\\' ? name : "\\StringFileInfo\\040904b0\\" + name;
    char* data = nullptr;
    UINT size = 0;
    if (!::VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&data), &size))
      return "missing";
    return name[0] == '\\' ? std::string(data, size) : std::string(size == 0 ? "" : data);
  };
  // VS_FIXEDFILEINFO: signature, layout, file and product versions, flags, OS, type, dates.
  EXPECT_EQ(value("\\"),
            Bytes<DWORD>({VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, 0x10000, 0x10000, 0x10000, 0x10000,
                          0x3F, 0, VOS__WINDOWS32, VFT_DLL, VFT2_UNKNOWN, 0, 0}));
  EXPECT_EQ(value("\\VarFileInfo\\Translation"), Bytes<WORD>({0x0409, 0x04B0}));
  const std::pair<const char*, const char*> strings[] = {
      {"Comments", "InstallDLL"},      {"CompanyName", "Halvemark"},
      {"FileDescription", ""},         {"FileVersion", "1, 0, 1, 0"},
      {"InternalName", "Install.dll"}, {"OriginalFilename", "Install.dll"},
      {"ProductName", "Installation"}, {"ProductVersion", "1, 0, 1, 0"},
  };
  for (const auto& [name, expected] : strings) EXPECT_EQ(value(name), expected) << name;
}

}  // namespace
}  // namespace install
