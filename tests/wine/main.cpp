// Entry of qvk_wine_tests.exe: GoogleTest, plus a screenshot of the screen for every failed
// test when it runs under the harness (screenshots/<Suite>.<Test>.png in the run folder).
#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"

namespace {

class ScreenshotOnFailure : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo& info) override {
    if (!info.result()->Failed() || !qvk::wine::under_harness()) return;
    const std::string path =
        qvk::wine::screenshot(std::string(info.test_suite_name()) + "." + info.name());
    if (!path.empty()) std::printf("screenshot of the failure: %s\n", path.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ScreenshotOnFailure);
  const int result = RUN_ALL_TESTS();
  // A filter that selects nothing (a renamed suite) must not pass as a green run.
  if (result == 0 && testing::UnitTest::GetInstance()->test_to_run_count() == 0 &&
      !testing::GTEST_FLAG(list_tests)) {
    std::fprintf(stderr, "no test matches the filter \"%s\"\n",
                 testing::GTEST_FLAG(filter).c_str());
    return 1;
  }
  return result;
}
