// The picture class over the system's imaging component: decodes a picture by its content
// (BMP, PNG, JPEG, TIFF, GIF or icon), whatever the file's name says, with the graphic class the
// picture container has registered for that kind of picture.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.hpp"

class TWICImage : public TGraphic {
public:
  TWICImage();
  ~TWICImage() override;
  std::string ClassName() const override { return "TWICImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TWICImage>(); }

  void Assign(TPersistent* source) override;
  // A bitmap receives the decoded picture (a bitmap as it is, other pictures drawn into a
  // 24-bit bitmap of their size).
  void AssignTo(TPersistent* dest) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool Empty() const override { return !decoded_ || decoded_->Empty(); }
  int Width() const override { return decoded_ ? decoded_->Width() : 0; }
  int Height() const override { return decoded_ ? decoded_->Height() : 0; }
  // Raise EInvalidGraphicOperation "Cannot change the size of a WIC image".
  void SetWidth(int value) override;
  void SetHeight(int value) override;

  // Raises EInvalidGraphic "Unsupported picture format" for content of no kind it knows or no
  // class registered for it; the decoder's own errors pass on. Either way the picture stays as
  // it was.
  void LoadFromStream(TStream& stream) override;
  // Writes the bytes it decoded.
  void SaveToStream(TStream& stream) override;
  // No clipboard format: EInvalidGraphic "Unsupported clipboard format".
  void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

  // The kind of picture decoded, as an extension ("bmp", "png", "jpg", "tif", "gif", "ico"),
  // empty when none.
  const std::string& ImageFormat() const { return format_; }
  // The graphic that decoded it.
  TGraphic* Decoded() const { return decoded_.get(); }

private:
  std::unique_ptr<TGraphic> decoded_;
  std::string format_;
  std::vector<Byte> bytes_;
};
