#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <vector>

#include "common/test_env.hpp"
#include "image/zu_misc.hpp"
#include "platform/forms.hpp"

TEST(ZuMisc, DoProgressFiresOncePerWholePercent) {
  std::vector<int> seen;
  TZuroroveProgressEvent ev = [&](TObject*, Byte p) { seen.push_back(p); };
  EXPECT_EQ(DoProgress(nullptr, 5, 5, 255, 5, ev), 0);    // Max = Min reports 0
  EXPECT_EQ(DoProgress(nullptr, 50, 0, 0, 40, ev), 100);  // past Max reports 100
  Byte last = 255;
  for (int pos = 0; pos < 300; ++pos) last = DoProgress(nullptr, pos, 0, last, 299, ev);
  // 0 fired by the first call (after the Min = Max call), 100 by the call past Max,
  // then 0..100 once each in the loop.
  ASSERT_EQ(seen.size(), 2u + 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(seen[2 + static_cast<size_t>(i)], i);
  EXPECT_EQ(DoProgress(nullptr, 3, 0, 9, 10, nullptr), 0);  // no handler
}

TEST(ZuMisc, BusyCursorNests) {
  BeginBusy();
  BeginBusy();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EndBusy();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EndBusy();
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(BusyCount(), 0);
}

TEST(ZuMisc, CreateTempFileTakesTheFirstFreeNameExclusively) {
  hw_test::ScratchDir dir;
  std::string old = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", dir.path().c_str(), 1);
  std::string a, b;
  CreateTempFile("zu", "tmp", a);
  EXPECT_EQ(a, dir.path() + "/zu0.tmp");
  // A link planted under the next name is skipped, never followed.
  ASSERT_EQ(symlink("/nonexistent/target", (dir.path() + "/zu1.tmp").c_str()), 0);
  CreateTempFile("zu", ".tmp", b);
  EXPECT_EQ(b, dir.path() + "/zu2.tmp");
  struct stat st;
  ASSERT_EQ(stat(b.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 0);
  setenv("TMPDIR", (dir.path() + "/missing").c_str(), 1);
  std::string c;
  EXPECT_THROW(CreateTempFile("zu", "tmp", c), Exception);
  if (old.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", old.c_str(), 1);
}

TEST(ZuMisc, NumbersAndRectangles) {
  EXPECT_EQ(SafeTrunc(-3.9L), -3);
  EXPECT_EQ(SafeCeil(2.1L), 3);
  EXPECT_EQ(SafeCeil(2.0L), 2);
  EXPECT_EQ(SafeCeil(-2.5L), -2);
  EXPECT_THROW(SafeTrunc(1e30L), Exception);
  EXPECT_THROW(SafeTrunc(NAN), Exception);
  EXPECT_EQ(RoundToDigits(3, 1.23456L), 1.235L);
  EXPECT_EQ(RectWidth(TRect{4, 0, 4, 0}), 1);
  EXPECT_EQ(RectHeight(TRect{0, 2, 0, 5}), 4);
  EXPECT_EQ(EnsureRangeInt(300, 0, 255), 255);
  int x = 1, y = 2;
  SwapInt(x, y);
  EXPECT_EQ(x, 2);
  EXPECT_THROW(FileSize("/nonexistent/file"), EOSError);
}

TEST(ZuMisc, TiffDateTimeTextsUseFixedSeparators) {
  TDateTime t = EncodeDateTime(2026, 3, 7, 9, 5, 4, 0);
  EXPECT_EQ(FormatDateTimeA("yyyy:mm:dd", t), "2026:03:07");
  EXPECT_EQ(FormatDateTimeB("hh:nn:ss", t), "09:05:04");
}
