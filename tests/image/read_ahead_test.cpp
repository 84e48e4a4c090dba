#include <gtest/gtest.h>

#include "common/test_env.hpp"
#include "image/read_ahead.hpp"
#include "view_test_support.hpp"

using namespace view_test;

TEST(ReadAhead, OnlyTheNewestRequestKeepsItsPicture) {
  register_view_test_formats();
  hw_test::ScratchDir dir;
  auto a = make_picture(5, 5, 1), b = make_picture(6, 6, 2);
  write_file(dir.file("a.hwt"), hwt_bytes({a.get()}));
  write_file(dir.file("b.hwt"), hwt_bytes({b.get()}));
  ReadAheadSlot slot;
  slot.Request = 2;
  // The older request finishes last: its picture is dropped.
  TReadGraphicThread::Execute(dir.file("b.hwt"), slot, 2);
  TReadGraphicThread::Execute(dir.file("a.hwt"), slot, 1);
  ASSERT_NE(slot.Graphic, nullptr);
  EXPECT_EQ(slot.Graphic->Width(), 6);
  // A cancelled slot takes nothing.
  ReadAheadSlot closed;
  closed.Request = 1;
  closed.Cancelled = true;
  TReadGraphicThread::Execute(dir.file("a.hwt"), closed, 1);
  EXPECT_EQ(closed.Graphic, nullptr);
}

TEST(ReadAhead, FailuresLeaveNoPictureAndRaiseNothing) {
  register_view_test_formats();
  hw_test::ScratchDir dir;
  write_file(dir.file("bad.hwt"), "HWT\x01garbage");
  write_file(dir.file("bad.hwx"), "x");
  write_file(dir.file("plain.xyz"), "x");
  ReadAheadSlot slot;
  slot.Request = 1;
  for (const char* name : {"bad.hwt", "bad.hwx", "plain.xyz", "missing.hwt", ""}) {
    EXPECT_NO_THROW(TReadGraphicThread::Execute(name[0] ? dir.file(name) : std::string(), slot, 1)) << name;
    EXPECT_EQ(slot.Graphic, nullptr) << name;
  }
}

TEST(ReadAhead, TheLoaderHandsOverOncePerRequest) {
  register_view_test_formats();
  hw_test::ScratchDir dir;
  auto a = make_picture(5, 5, 1), b = make_picture(6, 6, 2);
  write_file(dir.file("a.hwt"), hwt_bytes({a.get()}));
  write_file(dir.file("b.hwt"), hwt_bytes({b.get()}));
  ReadAheadLoader loader;
  loader.Request(dir.file("a.hwt"));
  loader.Request(dir.file("b.hwt"));
  loader.Wait();
  EXPECT_EQ(loader.RunningWorkers(), 0);
  auto g = loader.Take();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Width(), 6);
  EXPECT_EQ(loader.Take(), nullptr);
  EXPECT_FALSE(loader.Ready());
}
