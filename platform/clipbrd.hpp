// The clipboard's picture formats, over the window system's clipboard: CF_BITMAP (a bitmap
// handle), CF_DIB (a packed device-independent bitmap in a global block) and CF_PALETTE.
#pragma once

#include "platform/graphics.hpp"

class TClipboard : public TPersistent {
public:
  std::string ClassName() const override { return "TClipboard"; }

  // Open and Close nest; handles handed out by GetAsHandle stay valid until the clipboard
  // changes or the outermost Close.
  void Open();
  void Close();
  void Clear();
  // CF_BITMAP and CF_DIB while the clipboard holds a picture; CF_PALETTE never (no palette
  // display); CF_TEXT and CF_UNICODETEXT while it holds text.
  bool HasFormat(Word format);
  // CF_BITMAP: a 32-bit screen bitmap; CF_DIB: a packed 24-bit DIB; nullptr otherwise.
  // The clipboard owns what it returns.
  HANDLE GetAsHandle(Word format);
  // Takes ownership of `data`: a bitmap for CF_BITMAP, a packed DIB block for CF_DIB; a
  // palette for CF_PALETTE is accepted and dropped. Other formats raise EClipboardException.
  void SetAsHandle(Word format, HANDLE data);

  // A graphic or picture goes on the clipboard through its SaveToClipboardFormat.
  void Assign(TPersistent* source) override;
  // A TPicture or TGraphic destination loads the clipboard's bitmap.
  void AssignTo(TPersistent* dest) override;

private:
  void release_handles();
  int open_count_ = 0;
  std::vector<HANDLE> handed_out_;
};

TClipboard* Clipboard();

// A bitmap handle, when `data` names a live bitmap; nullptr otherwise.
HBITMAP gdi_as_bitmap(HANDLE data);
// A global block, when `data` names a live one; nullptr otherwise.
HGLOBAL gdi_as_global(HANDLE data);
