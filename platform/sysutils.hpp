// Basic types, the exception hierarchy, formatted texts and small string and file helpers of the
// class library, as the rest of the program uses them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <variant>
#include <vector>
#include <initializer_list>

using Byte = std::uint8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using LongWord = std::uint32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using Extended = long double;
using Single = float;

// ---------------------------------------------------------------------------------------------
// Formatted texts: "%s", "%d", "%u", "%x", "%f", "%g", "%e", "%n", "%%" with optional '-' flag,
// width and precision ("%5d", "%.2f", "%-10s", "%.8x"). A placeholder without a matching argument
// or with an argument of the wrong kind raises EConvertError, as the class library does.
// ---------------------------------------------------------------------------------------------
class FormatArg {
public:
  FormatArg(int v) : value_(static_cast<Int64>(v)) {}
  FormatArg(unsigned v) : value_(static_cast<Int64>(v)) {}
  FormatArg(long v) : value_(static_cast<Int64>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<Int64>(v)) {}
  FormatArg(long long v) : value_(static_cast<Int64>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<Int64>(v)) {}
  FormatArg(double v) : value_(static_cast<Extended>(v)) {}
  FormatArg(long double v) : value_(v) {}
  FormatArg(const char* v) : value_(std::string(v ? v : "")) {}
  FormatArg(std::string v) : value_(std::move(v)) {}
  FormatArg(std::string_view v) : value_(std::string(v)) {}
  const std::variant<Int64, Extended, std::string>& value() const { return value_; }

private:
  std::variant<Int64, Extended, std::string> value_;
};

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);
std::string Format(std::string_view fmt, const std::vector<FormatArg>& args);

// ---------------------------------------------------------------------------------------------
// Exceptions. Every failure of the program is one of these, with a formatted message.
// ---------------------------------------------------------------------------------------------
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  Exception(std::string_view fmt, std::initializer_list<FormatArg> args) : message_(Format(fmt, args)) {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

private:
  std::string message_;
};

#define HW_DECLARE_EXCEPTION(Name, Base)                                                    \
  class Name : public Base {                                                                \
  public:                                                                                   \
    using Base::Base;                                                                       \
    const char* ClassName() const noexcept override { return #Name; }                       \
  }

HW_DECLARE_EXCEPTION(EConvertError, Exception);
HW_DECLARE_EXCEPTION(EOutOfResources, Exception);
HW_DECLARE_EXCEPTION(EOutOfMemory, Exception);
HW_DECLARE_EXCEPTION(EInvalidOperation, Exception);
HW_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
HW_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
HW_DECLARE_EXCEPTION(EListError, Exception);
HW_DECLARE_EXCEPTION(EInvalidCast, Exception);
HW_DECLARE_EXCEPTION(EOSError, Exception);
HW_DECLARE_EXCEPTION(EStreamError, Exception);
HW_DECLARE_EXCEPTION(EFOpenError, EStreamError);
HW_DECLARE_EXCEPTION(EFCreateError, EStreamError);
HW_DECLARE_EXCEPTION(EReadError, EStreamError);
HW_DECLARE_EXCEPTION(EWriteError, EStreamError);
HW_DECLARE_EXCEPTION(EInOutError, Exception);
HW_DECLARE_EXCEPTION(EClipboardException, Exception);
HW_DECLARE_EXCEPTION(EThread, Exception);

// The text the system has for an error code (errno values on this system).
std::string SysErrorMessage(int code);
// The last system error code (errno).
int GetLastError();
// Raises EOSError "System Error.  Code: %d.\n%s" for the last system error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(int code);

// ---------------------------------------------------------------------------------------------
// Numbers and texts.
// ---------------------------------------------------------------------------------------------
std::string IntToStr(Int64 value);
std::string IntToHex(Int64 value, int digits);  // upper case, at least `digits` digits
// The class library's general real-to-text conversion: up to 15 significant digits, no
// trailing zeros, no separators; whole numbers are written as plain integers.
std::string FloatToStr(Extended value);
// Accepts optional sign, decimal digits, or hexadecimal with "$" or "0x"; surrounding blanks are
// not allowed. Raises EConvertError "'%s' is not a valid integer value".
int StrToInt(std::string_view text);
Int64 StrToInt64(std::string_view text);
bool TryStrToInt(std::string_view text, int& value);
int StrToIntDef(std::string_view text, int def);

std::string UpperCase(std::string_view s);  // ASCII letters only
std::string LowerCase(std::string_view s);
std::string Trim(std::string_view s);
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
// 1-based position of `sub` in `s`, 0 when absent.
int Pos(std::string_view sub, std::string_view s);
// 1-based copy of at most `count` characters from `index` (clamped like the class library).
std::string Copy(std::string_view s, int index, int count);

// ---------------------------------------------------------------------------------------------
// Files and folders (paths are UTF-8 texts; "/" separates folders).
// ---------------------------------------------------------------------------------------------
bool FileExists(const std::string& name);       // a regular file (links followed)
bool DirectoryExists(const std::string& name);
bool DeleteFile(const std::string& name);       // true when removed
bool RenameFile(const std::string& from, const std::string& to);  // replaces `to`
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);
std::string ExtractFilePath(const std::string& name);  // with the trailing "/"
std::string ExtractFileName(const std::string& name);
std::string ExtractFileExt(const std::string& name);   // with the dot, "" when none
std::string ChangeFileExt(const std::string& name, const std::string& ext);
std::string IncludeTrailingPathDelimiter(const std::string& dir);
std::string ExpandFileName(const std::string& name);
// The regular files of `dir` whose names match `pattern` ("*" and "?" wildcards, ASCII letters
// compared without case, as the Windows file search does), sorted by name.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
// The folder the running program lies in, with the trailing "/".
std::string ProgramFolder();
// The full path of the running program.
std::string ProgramPath();

// ---------------------------------------------------------------------------------------------
// Date and time: days since 1899-12-30, the fraction being the time of day (local time).
// ---------------------------------------------------------------------------------------------
using TDateTime = double;
TDateTime Now();
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
// Formats with the letters yyyy, yy, m, mm, d, dd, h, hh, n, nn, s, ss, zzz; every other
// character, ':' and '/' included, is written as it stands (no locale separators).
std::string FormatDateTime(std::string_view format, TDateTime value);
