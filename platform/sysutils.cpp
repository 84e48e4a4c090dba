#include "platform/sysutils.hpp"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string format_one(char conv, const std::string& flags, int width, int precision, const FormatArg& arg) {
  std::string body;
  const auto& v = arg.value();
  auto bad = [&]() -> EConvertError {
    return EConvertError(std::string("Format '%") + conv + "' invalid or incompatible with argument");
  };
  switch (conv) {
    case 'd':
    case 'u': {
      if (!std::holds_alternative<Int64>(v)) throw bad();
      Int64 n = std::get<Int64>(v);
      if (conv == 'u') n = static_cast<Int64>(static_cast<std::uint32_t>(n));
      bool neg = n < 0;
      std::string digits = std::to_string(neg ? -static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n));
      if (precision >= 0 && static_cast<int>(digits.size()) < precision)
        digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
      body = (neg ? "-" : "") + digits;
      break;
    }
    case 'x': {
      if (!std::holds_alternative<Int64>(v)) throw bad();
      char buf[32];
      std::snprintf(buf, sizeof buf, "%" PRIX64, static_cast<std::uint64_t>(std::get<Int64>(v)));
      body = buf;
      if (precision >= 0 && static_cast<int>(body.size()) < precision)
        body.insert(0, static_cast<size_t>(precision) - body.size(), '0');
      break;
    }
    case 'f':
    case 'e':
    case 'g':
    case 'n': {
      Extended x;
      if (std::holds_alternative<Extended>(v)) x = std::get<Extended>(v);
      else throw bad();
      char buf[128];
      int prec = precision >= 0 ? precision : (conv == 'g' ? 15 : 2);
      const char c = conv == 'n' ? 'f' : (conv == 'e' ? 'E' : (conv == 'g' ? 'G' : 'f'));
      char pattern[16];
      std::snprintf(pattern, sizeof pattern, "%%.%dL%c", prec, c);
      std::snprintf(buf, sizeof buf, pattern, x);
      body = buf;
      break;
    }
    case 's': {
      if (!std::holds_alternative<std::string>(v)) throw bad();
      body = std::get<std::string>(v);
      if (precision >= 0 && static_cast<int>(body.size()) > precision) body.resize(static_cast<size_t>(precision));
      break;
    }
    default:
      throw EConvertError(std::string("Format '%") + conv + "' invalid or incompatible with argument");
  }
  if (width > static_cast<int>(body.size())) {
    std::string pad(static_cast<size_t>(width) - body.size(), ' ');
    body = flags.find('-') != std::string::npos ? body + pad : pad + body;
  }
  return body;
}

template <class Args>
std::string format_impl(std::string_view fmt, const Args& args) {
  std::string out;
  auto it = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    char ch = fmt[i];
    if (ch != '%') {
      out += ch;
      continue;
    }
    if (++i >= fmt.size()) throw EConvertError("Format '%' invalid or incompatible with argument");
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    std::string flags;
    while (i < fmt.size() && fmt[i] == '-') flags += fmt[i++];
    int width = -1, precision = -1;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') width = (width < 0 ? 0 : width * 10) + (fmt[i++] - '0');
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      precision = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') precision = precision * 10 + (fmt[i++] - '0');
    }
    if (i >= fmt.size()) throw EConvertError("Format invalid or incompatible with argument");
    char conv = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
    if (it == args.end()) throw EConvertError(std::string("Format '%") + conv + "' invalid or incompatible with argument");
    out += format_one(conv, flags, width, precision, *it++);
  }
  return out;
}

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) { return format_impl(fmt, args); }
std::string Format(std::string_view fmt, const std::vector<FormatArg>& args) { return format_impl(fmt, args); }

std::string SysErrorMessage(int code) { return std::strerror(code); }
int GetLastError() { return errno; }

void RaiseLastOSError() { RaiseLastOSError(errno); }

void RaiseLastOSError(int code) {
  if (code != 0) throw EOSError(Format("System Error.  Code: %d.\n%s", {code, SysErrorMessage(code)}));
  throw EOSError("A call to an OS function failed");
}

std::string IntToStr(Int64 value) { return std::to_string(value); }

std::string IntToHex(Int64 value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*" PRIX64, digits < 0 ? 0 : digits, static_cast<std::uint64_t>(value));
  return buf;
}

std::string FloatToStr(Extended value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15LG", value);
  std::string s = buf;
  // The class library writes exponents as "E+15" -> "E15" and "E-05" -> "E-5".
  auto e = s.find('E');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e), ex = s.substr(e + 1);
    bool neg = !ex.empty() && ex[0] == '-';
    if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) ex.erase(0, 1);
    while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
    s = mant + "E" + (neg ? "-" : "") + ex;
  }
  return s;
}

namespace {
bool parse_int64(std::string_view t, Int64& out) {
  if (t.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (t[0] == '-' || t[0] == '+') {
    neg = t[0] == '-';
    i = 1;
  }
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return false;
  unsigned long long acc = 0;
  for (; i < t.size(); ++i) {
    int d;
    char c = t[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    if (acc > (ULLONG_MAX - static_cast<unsigned>(d)) / static_cast<unsigned>(base)) return false;
    acc = acc * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  if (base == 10) {
    if (!neg && acc > static_cast<unsigned long long>(INT64_MAX)) return false;
    if (neg && acc > static_cast<unsigned long long>(INT64_MAX) + 1ULL) return false;
    out = neg ? static_cast<Int64>(0ULL - acc) : static_cast<Int64>(acc);
  } else {
    out = static_cast<Int64>(acc);
    if (neg) out = -out;
  }
  return true;
}
}  // namespace

Int64 StrToInt64(std::string_view text) {
  Int64 v;
  if (!parse_int64(text, v)) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return v;
}

bool TryStrToInt(std::string_view text, int& value) {
  Int64 v;
  if (!parse_int64(text, v)) return false;
  // Hexadecimal texts wrap into 32 bits as the class library's do; decimal ones must fit.
  bool hex = text.find('$') != std::string_view::npos || text.find('x') != std::string_view::npos ||
             text.find('X') != std::string_view::npos;
  if (hex) {
    if (static_cast<std::uint64_t>(v < 0 ? -v : v) > 0xFFFFFFFFULL) return false;
    value = static_cast<int>(static_cast<std::uint32_t>(v));
    return true;
  }
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(std::string_view text) {
  int v;
  if (!TryStrToInt(text, v)) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return v;
}

int StrToIntDef(std::string_view text, int def) {
  int v;
  return TryStrToInt(text, v) ? v : def;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return std::string(s.substr(a, b - a));
}

bool SameText(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  auto p = s.find(sub);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<int>(s.size())) return {};
  return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(fs::path(name), ec);
}

bool DirectoryExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_directory(fs::path(name), ec);
}

bool DeleteFile(const std::string& name) { return ::unlink(name.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

std::string GetCurrentDir() {
  std::error_code ec;
  auto p = fs::current_path(ec);
  return ec ? std::string() : p.string();
}

bool SetCurrentDir(const std::string& dir) { return ::chdir(dir.c_str()) == 0; }

std::string ExtractFilePath(const std::string& name) {
  auto p = name.find_last_of('/');
  return p == std::string::npos ? std::string() : name.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& name) {
  auto p = name.find_last_of('/');
  return p == std::string::npos ? name : name.substr(p + 1);
}

std::string ExtractFileExt(const std::string& name) {
  auto slash = name.find_last_of('/');
  auto dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  auto slash = name.find_last_of('/');
  auto dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ext;
  return name.substr(0, dot) + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& dir) {
  return (!dir.empty() && dir.back() == '/') ? dir : dir + "/";
}

std::string ExpandFileName(const std::string& name) {
  std::error_code ec;
  auto p = fs::absolute(fs::path(name), ec);
  return ec ? name : p.lexically_normal().string();
}

namespace {
bool wild_match(const char* pat, const char* s) {
  for (;;) {
    char p = *pat;
    if (p == 0) return *s == 0;
    if (p == '*') {
      while (*pat == '*') ++pat;
      if (*pat == 0) return true;
      for (; *s; ++s)
        if (wild_match(pat, s)) return true;
      return false;
    }
    if (*s == 0) return false;
    char a = static_cast<char>(std::tolower(static_cast<unsigned char>(p)));
    char b = static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
    if (p != '?' && a != b) return false;
    ++pat;
    ++s;
  }
}
}  // namespace

std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
  std::vector<std::string> out;
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    std::string n = it->path().filename().string();
    if (wild_match(pattern.c_str(), n.c_str())) out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string ProgramPath() {
  std::error_code ec;
  auto p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string ProgramFolder() { return ExtractFilePath(ProgramPath()); }

#include <ctime>

namespace {
// Days from 0001-01-01 (proleptic Gregorian) for a civil date.
long days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;  // days since 1970-01-01
}
// Date-time values count days from 1899-12-30; Unix time counts from 1970-01-01.
constexpr long kDaysFrom18991230To19700101 = 25569;
}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  long days = days_from_civil(year, month, day) + kDaysFrom18991230To19700101;
  return static_cast<double>(days) + (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

TDateTime Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
  long days = static_cast<long>(value);
  if (value < 0 && static_cast<double>(days) != value) --days;
  long ms = static_cast<long>((value - static_cast<double>(days)) * 86400000.0 + 0.5);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++days;
  }
  // Civil date from days since 1970 (inverse of days_from_civil).
  long z = days - kDaysFrom18991230To19700101 + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
  const int hh = static_cast<int>(ms / 3600000), nn = static_cast<int>(ms / 60000 % 60),
            ss = static_cast<int>(ms / 1000 % 60), zzz = static_cast<int>(ms % 1000);
  std::string out;
  auto two = [&](int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    out += b;
  };
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < format.size() && (format[i + n] | 0x20) == c) ++n;
    return n;
  };
  while (i < format.size()) {
    char c = static_cast<char>(format[i] | 0x20);
    size_t n;
    if (c == 'y' && (n = run('y')) > 0) {
      if (n >= 3) out += std::to_string(y);
      else two(y % 100);
      i += n;
    } else if (c == 'm' && (n = run('m')) > 0) {
      n >= 2 ? two(m) : void(out += std::to_string(m));
      i += std::min<size_t>(n, 2);
    } else if (c == 'd' && (n = run('d')) > 0) {
      n >= 2 ? two(d) : void(out += std::to_string(d));
      i += std::min<size_t>(n, 2);
    } else if (c == 'h' && (n = run('h')) > 0) {
      n >= 2 ? two(hh) : void(out += std::to_string(hh));
      i += std::min<size_t>(n, 2);
    } else if (c == 'n' && (n = run('n')) > 0) {
      n >= 2 ? two(nn) : void(out += std::to_string(nn));
      i += std::min<size_t>(n, 2);
    } else if (c == 's' && (n = run('s')) > 0) {
      n >= 2 ? two(ss) : void(out += std::to_string(ss));
      i += std::min<size_t>(n, 2);
    } else if (c == 'z' && (n = run('z')) > 0) {
      char b[16];
      std::snprintf(b, sizeof b, "%03d", zzz);
      out += b;
      i += n;
    } else {
      out += format[i++];
    }
  }
  return out;
}
