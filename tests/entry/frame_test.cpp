#include "entry/frame.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace install {
namespace {

constexpr ExportRule kGated{true, -1, 6};
constexpr ExportRule kOpen{false, 0, 7};

TEST(Frame, WorkRunsInTheLibraryContextAndTheCallersIsRestoredOnEveryWayOut) {
  AFX_MODULE_STATE callers_own;
  AFX_MAINTAIN_STATE caller(&callers_own);
  std::int32_t token = INSTALL_ACCESS_TOKEN;

  AFX_MODULE_STATE* seen = nullptr;
  EXPECT_EQ(RunExport(kGated, &token,
                      [&] {
                        seen = AfxGetModuleState();
                        return 42;
                      }),
            42);
  EXPECT_EQ(seen, AfxGetStaticModuleState());
  EXPECT_EQ(AfxGetModuleState(), &callers_own);

  std::int32_t wrong = 0;
  EXPECT_EQ(RunExport(kGated, &wrong, [] { return 42; }), -1);
  EXPECT_EQ(AfxGetModuleState(), &callers_own);

  EXPECT_EQ(RunExport(kGated, &token, []() -> std::int32_t { throw std::runtime_error("x"); }), 6);
  EXPECT_EQ(AfxGetModuleState(), &callers_own);
}

TEST(Frame, WithoutASwitchTheCurrentContextIsTheHostsNotTheLibrarys) {
  EXPECT_NE(AfxGetModuleState(), AfxGetStaticModuleState());
}

TEST(Frame, OnlyTheExactTokenIsAdmittedAndARefusedCallDoesNoWork) {
  const std::int32_t values[] = {0, INSTALL_ACCESS_TOKEN + 1, INSTALL_ACCESS_TOKEN - 1,
                                 -INSTALL_ACCESS_TOKEN, INSTALL_ACCESS_TOKEN | (1 << 30)};
  for (std::int32_t value : values) {
    bool ran = false;
    EXPECT_EQ(RunExport(kGated, &value,
                        [&] {
                          ran = true;
                          return 1;
                        }),
              -1)
        << value;
    EXPECT_FALSE(ran) << value;
  }
  bool ran = false;
  EXPECT_EQ(RunExport(kGated, nullptr,
                      [&] {
                        ran = true;
                        return 1;
                      }),
            -1);
  EXPECT_FALSE(ran) << "a null integer pointer is a refused token";
}

TEST(Frame, AnExportWithoutGateRunsWhateverTheIntegerHolds) {
  std::int32_t anything = 12345;
  EXPECT_EQ(RunExport(kOpen, &anything, [] { return 3; }), 3);
  EXPECT_EQ(RunExport(kOpen, nullptr, [] { return 3; }), 3);
  EXPECT_EQ(RunExport(kOpen, nullptr, []() -> std::int32_t { throw std::bad_alloc(); }), 7);
}

}  // namespace
}  // namespace install
