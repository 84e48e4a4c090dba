#include "platform/text_codec.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/safe_save.hpp"
#include "platform/sysutils.hpp"

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; the unassigned ones keep their value.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void put_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence; an invalid byte is taken as the Windows-1252 character it would be.
char32_t next_utf8(std::string_view s, size_t& i, bool& valid) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  valid = true;
  int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + static_cast<size_t>(len) > s.size()) {
    valid = false;
    ++i;
    return c;
  }
  char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (int k = 1; k < len; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((d & 0xC0) != 0x80) {
      valid = false;
      ++i;
      return c;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  i += static_cast<size_t>(len);
  return cp;
}

}  // namespace

std::string utf8_to_cp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    bool valid;
    char32_t cp = next_utf8(utf8, i, valid);
    if (!valid) {
      out += static_cast<char>(cp);  // already a single byte
      continue;
    }
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kHigh[k] == cp) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    out += mapped;
  }
  return out;
}

std::string cp1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else if (c < 0xA0) put_utf8(out, kHigh[c - 0x80]);
    else put_utf8(out, c);
  }
  return out;
}

size_t character_count(std::string_view text) {
  size_t n = 0;
  bool valid;
  for (size_t i = 0; i < text.size(); ++n) next_utf8(text, i, valid);
  return n;
}

std::string copy_characters(std::string_view text, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0) return {};
  size_t i = 0;
  bool valid;
  for (int n = 1; n < index && i < text.size(); ++n) next_utf8(text, i, valid);
  const size_t first = i;
  for (int n = 0; n < count && i < text.size(); ++n) next_utf8(text, i, valid);
  return std::string(text.substr(first, i - first));
}

std::vector<std::string> decode_text_lines(std::string_view bytes, bool* was_utf8) {
  bool utf8 = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
              static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
  if (utf8) bytes.remove_prefix(3);
  if (was_utf8) *was_utf8 = utf8;
  std::vector<std::string> lines;
  std::string cur;
  auto flush = [&] {
    lines.push_back(utf8 ? cur : cp1252_to_utf8(cur));
    cur.clear();
  };
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r') {
      flush();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      flush();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) flush();
  return lines;
}

std::string encode_text_lines(const std::vector<std::string>& lines, bool utf8) {
  std::string out = utf8 ? "\xEF\xBB\xBF" : "";
  for (const auto& l : lines) {
    out += utf8 ? l : utf8_to_cp1252(l);
    out += "\r\n";
  }
  return out;
}

std::string read_file_bytes(const std::string& name) {
  int fd = open_for_reading(name);
  if (fd < 0) throw EFOpenError(Format("Cannot open file \"%s\". %s", {name, SysErrorMessage(errno)}));
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      throw EReadError(Format("Cannot read file \"%s\". %s", {name, SysErrorMessage(e)}));
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

void write_file_bytes_atomic(const std::string& name, std::string_view bytes) { safe_save_file(name, bytes); }
