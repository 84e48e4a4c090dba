#include "image/format_registry.hpp"

#include <algorithm>
#include <mutex>
#include <string_view>

namespace {

struct registry {
  std::mutex mutex;
  std::vector<std::pair<std::string, TRegisteredFormat>> formats;
};

registry& the_registry() {
  static registry r;
  return r;
}

}  // namespace

void RegisterDibGraphic(const std::string& Extension, const std::string& Description,
                        const TDibGraphicClass& GraphicClass) {
  std::string class_name = GraphicClass()->ClassName();
  TPicture::RegisterFileFormat(LowerCase(Extension), Description, class_name,
                               [GraphicClass]() -> std::unique_ptr<TGraphic> { return GraphicClass(); });
  registry& r = the_registry();
  std::lock_guard lock(r.mutex);
  r.formats.emplace_back(UpperCase(Extension), TRegisteredFormat{Extension, Description, GraphicClass});
}

TDibGraphicClass FindDibGraphicClassByStream(TStream& Stream) {
  for (const auto& entry : RegisteredFormats()) {
    auto probe = entry.second.GraphicClass();
    if (probe->CanRead(Stream)) return entry.second.GraphicClass;
  }
  return {};
}

TDibGraphicClass FindDibGraphicClass(const std::string& FileNameOrExt) {
  // The extension without its dot; without one, the whole argument (less a leading dot).
  const std::string dotted = ExtractFileExt(FileNameOrExt);
  std::string_view ext = dotted.empty() ? std::string_view(FileNameOrExt) : std::string_view(dotted).substr(1);
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  registry& r = the_registry();
  std::lock_guard lock(r.mutex);
  for (const auto& entry : r.formats)
    if (SameText(entry.first, ext)) return entry.second.GraphicClass;
  return {};
}

std::unique_ptr<TDibGraphic> CreateDibGraphic(const std::string& FileName) {
  TDibGraphicClass cls = FindDibGraphicClass(FileName);
  if (!cls)
    throw EZuroroveError(
        Format("Graphic files of %s format are not supported or not registered", {ExtractFileExt(FileName)}));
  return cls();
}

void ClearDibGraphicRegistry() {
  for (const auto& entry : RegisteredFormats()) TPicture::UnregisterGraphicClass(entry.second.GraphicClass()->ClassName());
  registry& r = the_registry();
  std::lock_guard lock(r.mutex);
  r.formats.clear();
}

std::vector<std::pair<std::string, TRegisteredFormat>> RegisteredFormats() {
  registry& r = the_registry();
  std::lock_guard lock(r.mutex);
  return r.formats;
}

int PeekStreamBytes(TStream& Stream, Byte* Buffer, int Count) {
  std::fill(Buffer, Buffer + Count, Byte{0});
  Int64 got = Stream.Read(Buffer, Count);
  if (got <= 0) return 0;
  Stream.Seek(-got, TSeekOrigin::soCurrent);
  return static_cast<int>(got);
}
