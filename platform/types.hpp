// Colour values, points, rectangles, cursors and the mouse and key event types of the class
// library.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/classes.hpp"

// A colour as 0x00BBGGRR (red in the low byte). Negative values name system colours.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours: 0xFF000000 plus the system colour index.
constexpr TColor system_color(int index) { return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index)); }
constexpr TColor clScrollBar = system_color(0);
constexpr TColor clBackground = system_color(1);
constexpr TColor clActiveCaption = system_color(2);
constexpr TColor clInactiveCaption = system_color(3);
constexpr TColor clMenu = system_color(4);
constexpr TColor clWindow = system_color(5);
constexpr TColor clWindowFrame = system_color(6);
constexpr TColor clMenuText = system_color(7);
constexpr TColor clWindowText = system_color(8);
constexpr TColor clCaptionText = system_color(9);
constexpr TColor clActiveBorder = system_color(10);
constexpr TColor clInactiveBorder = system_color(11);
constexpr TColor clAppWorkSpace = system_color(12);
constexpr TColor clHighlight = system_color(13);
constexpr TColor clHighlightText = system_color(14);
constexpr TColor clBtnFace = system_color(15);
constexpr TColor clBtnShadow = system_color(16);
constexpr TColor clGrayText = system_color(17);
constexpr TColor clBtnText = system_color(18);
constexpr TColor clInactiveCaptionText = system_color(19);
constexpr TColor clBtnHighlight = system_color(20);
constexpr TColor cl3DDkShadow = system_color(21);
constexpr TColor cl3DLight = system_color(22);
constexpr TColor clInfoText = system_color(23);
constexpr TColor clInfoBk = system_color(24);
constexpr TColor clHotLight = system_color(26);
constexpr TColor clGradientActiveCaption = system_color(27);
constexpr TColor clGradientInactiveCaption = system_color(28);
constexpr TColor clMenuHighlight = system_color(29);
constexpr TColor clMenuBar = system_color(30);

// The value the screen-pixel read returns when the pixel cannot be read.
constexpr std::uint32_t CLR_INVALID = 0xFFFFFFFFu;

// Resolves a system colour (negative value) to its RGB value from the fixed table of the
// Windows default colours; any other value passes unchanged.
TColor ColorToRGB(TColor color);

inline constexpr Byte GetRValue(std::uint32_t c) { return static_cast<Byte>(c & 0xFF); }
inline constexpr Byte GetGValue(std::uint32_t c) { return static_cast<Byte>((c >> 8) & 0xFF); }
inline constexpr Byte GetBValue(std::uint32_t c) { return static_cast<Byte>((c >> 16) & 0xFF); }
inline constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and Bottom are exclusive for drawing, as in the class library.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int x, int y) { return TPoint{x, y}; }
inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
inline TRect Bounds(int l, int t, int w, int h) { return TRect{l, t, l + w, t + h}; }
inline bool PtInRect(const TRect& r, const TPoint& p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

// Screen cursors: the class library's built-in numbers; programs register their own from 1 up.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -22;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Virtual key codes used by key handlers.
constexpr Word VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
               VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
               VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
               VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70;

// The class library's web-colour conversion: six hexadecimal digits, red first, an optional "#"
// in front. Anything else raises EConvertError "'%s' is not a valid color value".
TColor WebColorStrToColor(std::string_view text);
