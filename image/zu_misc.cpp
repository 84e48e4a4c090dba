#include "image/zu_misc.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/forms.hpp"

Byte DoProgress(TObject* Sender, Int64 Position, Int64 Min, Byte LastPercent, Int64 Max,
                const TZuroroveProgressEvent& OnProgress) {
  if (!OnProgress) return 0;
  Int64 percent = 0;
  if (Max > Min) percent = (Position - Min) * 100 / (Max - Min);
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  Byte p = static_cast<Byte>(percent);
  if (p == LastPercent) return p;
  OnProgress(Sender, p);
  return p;
}

namespace {
int busy_count = 0;
}

void BeginBusy() {
  if (busy_count == 0) Screen->SetCursor(crHourGlass);
  ++busy_count;
}

void EndBusy() {
  if (busy_count > 0) --busy_count;
  if (busy_count == 0) Screen->SetCursor(crDefault);
}

int BusyCount() { return busy_count; }

std::string TempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = t && *t ? t : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

void CreateTempFile(const std::string& Prefix, std::string Ext, std::string& FileName) {
  std::string folder = TempFolder();
  if (!Ext.empty() && Ext[0] != '.') Ext.insert(0, ".");
  constexpr int kMaxTries = 100000;
  for (int n = 0; n < kMaxTries; ++n) {
    std::string name = folder + Prefix + std::to_string(n) + Ext;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      FileName = name;
      return;
    }
    if (errno == EEXIST) continue;
    throw Exception(Format("ZuMisc.CreateTempFile failed: %s", {SysErrorMessage(errno)}));
  }
  throw Exception("ZuMisc.CreateTempFile failed: no free file name");
}

Int64 FileSize(const std::string& FileName) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0) RaiseLastOSError();
  return static_cast<Int64>(st.st_size);
}

Int64 SafeTrunc(Extended Value) {
  // Values beyond the 64-bit range (and NaN) cannot be truncated.
  if (!(Value > -9223372036854775808.0L && Value < 9223372036854775808.0L))
    throw Exception("ZuMisc unit: Error in SafeTrunc.");
  return static_cast<Int64>(Value);
}

int SafeCeil(Extended Value) {
  Int64 t = SafeTrunc(Value);
  if (Value - static_cast<Extended>(t) > 0) ++t;
  return static_cast<int>(t);
}

Extended RoundToDigits(int Digits, Extended Value) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%40.*Lf", Digits < 0 ? 0 : Digits, Value);
  return std::strtold(buf, nullptr);
}

std::string FormatDateTimeA(const std::string& Fmt, TDateTime DateTime) { return FormatDateTime(Fmt, DateTime); }
std::string FormatDateTimeB(const std::string& Fmt, TDateTime DateTime) { return FormatDateTime(Fmt, DateTime); }
