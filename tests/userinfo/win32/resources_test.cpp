// What the built DLL carries: the User Information dialog template and the
// version record, read back through the system's own resource functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "library.h"
#include "resource.h"

namespace install {
namespace {

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct Item {
  DWORD style;
  short x, y, cx, cy;
  int id;
  WORD class_atom;
  std::string text;
  bool operator==(const Item& o) const {
    return style == o.style && x == o.x && y == o.y && cx == o.cx && cy == o.cy && id == o.id &&
           class_atom == o.class_atom && text == o.text;
  }
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
  return out << std::hex << item.style << std::dec << " " << item.x << "," << item.y << ","
             << item.cx << "," << item.cy << " id " << item.id << " class " << item.class_atom
             << " '" << item.text << "'";
}

// Reads a zero-terminated UTF-16 string (ASCII only here) and moves past it.
std::string ReadString(const WORD*& p) {
  std::string out;
  while (*p != 0) out += static_cast<char>(*p++);
  ++p;
  return out;
}

const WORD* AlignToDword(const WORD* p) {
  return reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) &
                                       ~std::uintptr_t{3});
}

class LibraryResources : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = installctl::InstallLibrary::DefaultPath();
    module_ = ::LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << path_;
  }
  void TearDown() override { ::FreeLibrary(module_); }

  std::string path_;
  HMODULE module_ = nullptr;
};

TEST_F(LibraryResources, TheUserInfoDialogIsTemplate101AsDesigned) {
  HRSRC found = ::FindResourceExA(module_, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEA(IDD_USER_INFO), kEnglishUnitedStates);
  ASSERT_NE(found, nullptr);
  const auto* dialog =
      static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module_, found)));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->style, 0x80C000C0u);
  EXPECT_EQ(dialog->dwExtendedStyle, 0u);
  EXPECT_EQ(dialog->cx, 246);
  EXPECT_EQ(dialog->cy, 101);
  ASSERT_EQ(dialog->cdit, 5);

  const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
  EXPECT_EQ(ReadString(p), "");  // no menu
  EXPECT_EQ(ReadString(p), "");  // the standard dialog class
  EXPECT_EQ(ReadString(p), "Required Installation Information");
  EXPECT_EQ(*p++, 8);
  EXPECT_EQ(ReadString(p), "MS Sans Serif");

  const std::vector<Item> expected = {
      {0x50020002, 7, 37, 95, 8, IDC_STATIC, kStaticAtom, "User Name:"},
      {0x50810080, 106, 34, 133, 14, IDC_USER_NAME, kEditAtom, ""},
      {0x50020002, 7, 59, 95, 8, IDC_STATIC, kStaticAtom, "Company Name:"},
      {0x50810080, 106, 57, 133, 14, IDC_COMPANY_NAME, kEditAtom, ""},
      {0x50010001, 106, 80, 50, 14, IDOK, kButtonAtom, "&Accept"},
  };
  std::vector<Item> actual;
  for (int i = 0; i < dialog->cdit; ++i) {
    p = AlignToDword(p);
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
    p = reinterpret_cast<const WORD*>(item + 1);
    Item read{item->style, item->x, item->y, item->cx, item->cy, static_cast<short>(item->id),
              0,           ""};
    EXPECT_EQ(*p++, 0xFFFF) << "class given by atom";
    read.class_atom = *p++;
    read.text = ReadString(p);
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
    actual.push_back(read);
  }
  EXPECT_EQ(actual, expected);
}

std::string StringValue(const std::vector<char>& info, const char* name) {
  void* value = nullptr;
  UINT size = 0;
  const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
  if (!::VerQueryValueA(info.data(), query.c_str(), &value, &size)) return "(missing)";
  return size == 0 ? "" : static_cast<const char*>(value);
}

TEST_F(LibraryResources, TheVersionRecordNamesTheLibrary) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(::GetFileVersionInfoA(path_.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  WORD* translation = nullptr;
  UINT translation_size = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &translation_size));
  ASSERT_EQ(translation_size, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);

  const std::pair<const char*, const char*> strings[] = {
      {"Comments", "InstallDLL"},      {"CompanyName", "Halvemark"},
      {"FileDescription", ""},         {"FileVersion", "1, 0, 1, 0"},
      {"InternalName", "Install.dll"}, {"OriginalFilename", "Install.dll"},
      {"ProductName", "Installation"}, {"ProductVersion", "1, 0, 1, 0"},
  };
  for (const auto& [name, value] : strings) EXPECT_EQ(StringValue(info, name), value) << name;
}

}  // namespace
}  // namespace install
