#include <gtest/gtest.h>

#include <cerrno>

#include "common/test_env.hpp"
#include "platform/safe_save.hpp"
#include "platform/text_codec.hpp"
#include "storage/history_file.hpp"

#include <sys/stat.h>

TEST(HistoryFile, DefaultLineIsWindows1252WithCrLf) {
  hw_test::ScratchDir dir;
  write_history_file(dir.file(kHistoryFile), {kDefaultHistoryLine});
  EXPECT_EQ(read_file_bytes(dir.file(kHistoryFile)), "hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n");
  auto back = read_history_file(dir.file(kHistoryFile));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], kDefaultHistoryLine);
  EXPECT_EQ(history_hex_text(back[0]), "006095");
}

TEST(HistoryFile, ForeignLinesComeBackUnchanged) {
  hw_test::ScratchDir dir;
  const std::string bytes = "hexZZZZZZ garbage \x81\x9D\xFF\r\n\r\nshort\r\n";
  write_file_bytes_atomic(dir.file("h.dat"), bytes);
  auto lines = read_history_file(dir.file("h.dat"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(history_hex_text(lines[2]), "rt");
  // Characters 4-9 count the file's characters: three letters outside ASCII before them (one
  // byte each in the file) move nothing; two before them take one character more.
  write_file_bytes_atomic(dir.file("a.dat"), "\xE4\xE9\xF6" "123456\xB7x\r\n\xE4\xE9" "123456\r\n");
  const auto accented = read_history_file(dir.file("a.dat"));
  ASSERT_EQ(accented.size(), 2u);
  EXPECT_EQ(history_hex_text(accented[0]), "123456");
  EXPECT_EQ(history_hex_text(accented[1]), "23456");
  write_history_file(dir.file("h2.dat"), lines);
  EXPECT_EQ(read_file_bytes(dir.file("h2.dat")), bytes);
}

TEST(HistoryFile, FailedWriteKeepsTheOldHistory) {
  hw_test::ScratchDir dir;
  write_history_file(dir.file("h.dat"), {"one"});
  // Every write fails, as on a full disk.
  safe_save_testing::write_error = ENOSPC;
  EXPECT_THROW(write_history_file(dir.file("h.dat"), {"two"}), EInOutError);
  safe_save_testing::write_error = 0;
  EXPECT_EQ(read_file_bytes(dir.file("h.dat")), "one\r\n");
  EXPECT_THROW(read_history_file(dir.file("none.dat")), EInOutError);
  // UTF-16 text, with either mark, cannot be read as a history.
  for (const char* mark : {"\xFF\xFE", "\xFE\xFF"}) {
    write_file_bytes_atomic(dir.file("u.dat"), mark + std::string("\0h\0e\0x", 6));
    EXPECT_THROW(read_history_file(dir.file("u.dat")), EInOutError) << mark;
  }
}
