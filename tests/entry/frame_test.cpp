#include "entry/frame.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace install {
namespace {

constexpr ExportRule kGated{true, -1, 6}, kOpen{false, 0, 7};
constexpr std::int32_t kWorkResult = 42;
constexpr std::int64_t kNullPointer = INT64_MIN;

// `result` kWorkResult: the work ran and answered.
TEST(Frame, TheWorkRunsInTheLibrarysContextOnlyForTheTokenAndTheCallersComesBack) {
  EXPECT_NE(AfxGetModuleState(), AfxGetStaticModuleState()) << "no switch before a call";
  const struct {
    const ExportRule& rule;
    std::int64_t integer;  // or kNullPointer
    bool work_throws;
    std::int32_t result;
  } cases[] = {
      {kGated, INSTALL_ACCESS_TOKEN, false, kWorkResult},
      {kGated, INSTALL_ACCESS_TOKEN, true, 6},
      {kGated, INSTALL_ACCESS_TOKEN | (1 << 30), false, -1},
      {kOpen, kNullPointer, false, kWorkResult},
      {kOpen, kNullPointer, true, 7},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.integer);
    std::int32_t integer = static_cast<std::int32_t>(c.integer);
    AFX_MODULE_STATE callers_own;
    AFX_MAINTAIN_STATE caller(&callers_own);
    AFX_MODULE_STATE* seen = nullptr;
    const std::int32_t result = RunExport(c.rule, c.integer == kNullPointer ? nullptr : &integer,
                                          nullptr, [&]() -> std::int32_t {
                                            seen = AfxGetModuleState();
                                            if (c.work_throws)
                                              throw std::runtime_error("out of memory");
                                            return kWorkResult;
                                          });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(seen, result == -1 ? nullptr : AfxGetStaticModuleState());
    EXPECT_EQ(AfxGetModuleState(), &callers_own);
  }
}

}  // namespace
}  // namespace install
