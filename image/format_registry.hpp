// The registry of picture file formats: extensions mapped to format classes, for the library's
// own lookups and for the class library's picture container.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"

struct TRegisteredFormat {
  std::string Extension;  // as registered, without a dot
  std::string Description;
  TDibGraphicClass GraphicClass;
};

// Registers the class for the extension (with the picture container too). Later registrations
// of an extension come after earlier ones; lookups find the first.
void RegisterDibGraphic(const std::string& Extension, const std::string& Description,
                        const TDibGraphicClass& GraphicClass);
// The first registered class whose CanRead accepts the stream (its position is kept), or none.
TDibGraphicClass FindDibGraphicClassByStream(TStream& Stream);
// The class registered for the file name's extension, or for the argument taken as an
// extension with or without its dot; none when there is none. Case is ignored.
TDibGraphicClass FindDibGraphicClass(const std::string& FileNameOrExt);
// A new picture of the class registered for the file name. Raises EZuroroveError
// "Graphic files of %s format are not supported or not registered" with the extension.
std::unique_ptr<TDibGraphic> CreateDibGraphic(const std::string& FileName);

// Withdraws every registered class from the picture container and empties the registry.
void ClearDibGraphicRegistry();

// The registrations in order: (upper-cased extension, format).
std::vector<std::pair<std::string, TRegisteredFormat>> RegisteredFormats();

// Reads up to `Count` bytes at the stream's position and moves back by as many as were read,
// so that the position is unchanged. Returns the bytes read; the rest of the buffer is zero.
int PeekStreamBytes(TStream& Stream, Byte* Buffer, int Count);
