// The image library's exception class, progress rule, busy cursor, temporary files and small
// numeric and rectangle helpers.
#pragma once

#include <functional>
#include <string>

#include "platform/classes.hpp"
#include "platform/sysutils.hpp"
#include "platform/types.hpp"

// The exception of the image library and of the annotation tools.
HW_DECLARE_EXCEPTION(EZuroroveError, Exception);

// Progress callback: percent 0..100.
using TZuroroveProgressEvent = std::function<void(TObject* Sender, Byte PercentProgress)>;

// Fires OnProgress when the whole percent of Position between Min and Max differs from
// LastPercent; returns the percent (0 without a handler). Callers keep the result as their new
// last percent and start a run with 255 so that 0 fires.
Byte DoProgress(TObject* Sender, Int64 Position, Int64 Min, Byte LastPercent, Int64 Max,
                const TZuroroveProgressEvent& OnProgress);

// Nested busy cursor: the hourglass shows from the outermost BeginBusy to its EndBusy.
void BeginBusy();
void EndBusy();
int BusyCount();

// Creates an empty new file Prefix + N + Ext in the temporary folder for the first N whose name
// is free and returns its name. The file is made exclusively (never replacing a file or
// following a link), readable and writable by the user only. Raises Exception after a bounded
// number of taken names or on any other error.
void CreateTempFile(const std::string& Prefix, std::string Ext, std::string& FileName);
// The temporary folder ($TMPDIR or /tmp) with a trailing "/".
std::string TempFolder();

// The file's size; a failure raises the last system error.
Int64 FileSize(const std::string& FileName);

// Truncation toward zero; a value that does not fit raises Exception
// "ZuMisc unit: Error in SafeTrunc.".
Int64 SafeTrunc(Extended Value);
// The ceiling, through SafeTrunc.
int SafeCeil(Extended Value);
// The value written with Digits decimals and read back.
Extended RoundToDigits(int Digits, Extended Value);

inline Extended MinExt(Extended A, Extended B) { return A < B ? A : B; }
inline Extended EnsureRangeExt(Extended Value, Extended Min, Extended Max) {
  return Value < Min ? Min : (Value > Max ? Max : Value);
}
inline int EnsureRangeInt(int Value, int Min, int Max) { return Value < Min ? Min : (Value > Max ? Max : Value); }
inline void SwapInt(int& A, int& B) {
  int t = A;
  A = B;
  B = t;
}
// Width and height of a rectangle with inclusive edges.
inline int RectWidth(const TRect& R) { return R.Right - R.Left + 1; }
inline int RectHeight(const TRect& R) { return R.Bottom - R.Top + 1; }

// Date-time texts for the TIFF writer: the format letters of FormatDateTime, with ':' and '/'
// written as they stand whatever the locale.
std::string FormatDateTimeA(const std::string& Format, TDateTime DateTime);
std::string FormatDateTimeB(const std::string& Format, TDateTime DateTime);
