// The kinds of annotation mark: sticky note, rectangle, text, line, polyline and embedded
// picture.
#pragma once

#include <string>
#include <vector>

#include "annotate/generic_mark.hpp"
#include "platform/font.hpp"
#include "platform/gdi.hpp"

// A yellow note with a drop shadow and word-wrapped text.
class TStickNoteMark : public TGenericMark {
public:
  explicit TStickNoteMark(TComponent* AOwner);
  std::string ClassName() const override { return "TStickNoteMark"; }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }

  std::unique_ptr<TBitmap> CreateBitmap() override;

private:
  std::string FText;
  TFont FFont;
};

// An outlined, filled or highlighting rectangle. A highlight is drawn with AND, so it tints
// what lies under it.
class TRectangleMark : public TGenericMark {
public:
  explicit TRectangleMark(TComponent* AOwner);
  std::string ClassName() const override { return "TRectangleMark"; }

  int LineSize() const { return FLineSize; }
  // Kept within 0 .. kMaxMarkLineSize.
  void SetLineSize(int Value);
  bool HightLight() const { return FHightLight; }
  void SetHightLight(bool Value);
  bool Filled() const { return FFilled; }
  void SetFilled(bool Value);

  std::unique_ptr<TBitmap> CreateBitmap() override;
  void DrawMark(TCanvas& ACanvas, int X, int Y) override;

private:
  int FLineSize = 4;
  bool FHightLight = true;
  bool FFilled = true;
};

// Word-wrapped text in the font's colour on a transparent ground.
class TTextMark : public TGenericMark {
public:
  explicit TTextMark(TComponent* AOwner);
  std::string ClassName() const override { return "TTextMark"; }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }

  std::unique_ptr<TBitmap> CreateBitmap() override;

private:
  std::string FText;
  TFont FFont;
};

enum TLineOrientation : Byte { loTop = 0, loRight = 1, loTLBR = 2, loBLTR = 3 };

// A straight line along the top, down the right side, or across either diagonal.
class TLineMark : public TGenericMark {
public:
  explicit TLineMark(TComponent* AOwner);
  std::string ClassName() const override { return "TLineMark"; }

  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value);
  TLineOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TLineOrientation Value);

  std::unique_ptr<TBitmap> CreateBitmap() override;
  void DrawMark(TCanvas& ACanvas, int X, int Y) override;

private:
  int FLineSize = 4;
  TLineOrientation FOrientation = loTLBR;
};

// A line through points given in mark-local picture pixels; resizing the mark scales them.
class TMultiLineMark : public TGenericMark {
public:
  explicit TMultiLineMark(TComponent* AOwner);
  std::string ClassName() const override { return "TMultiLineMark"; }

  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value);
  void AddPoint(TPoint Point);
  // Raises EListError for an index outside the list.
  void DeletePoint(int Index);
  void ClearPoints();
  int PointsCount() const { return static_cast<int>(FPoints.size()); }
  TPoint Points(int Index) const { return FPoints.at(static_cast<size_t>(Index)); }

  void SetMarkRect(const TRect& Rect) override;
  std::unique_ptr<TBitmap> CreateBitmap() override;

private:
  int FLineSize = 4;
  std::vector<TPoint> FPoints;
};

// A picture kept as a packed device-independent bitmap (owned).
class TImageMark : public TGenericMark {
public:
  explicit TImageMark(TComponent* AOwner);
  ~TImageMark() override;
  std::string ClassName() const override { return "TImageMark"; }

  HGLOBAL DIBHandle() const { return FDIBHandle; }
  // Takes ownership of the block; the previous one is freed.
  void SetDIBHandle(HGLOBAL Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

  std::unique_ptr<TBitmap> CreateBitmap() override;

private:
  HGLOBAL FDIBHandle = nullptr;
  bool FTransparent = false;
};

// A bitmap loaded from a packed DIB through a BMP stream (a file header in front of the block).
std::unique_ptr<TBitmap> DibHandleToBitmap(HGLOBAL Handle);
