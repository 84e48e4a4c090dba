// Finding, loading and binding FreeImage; the start-up box; the stream callbacks.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/freeimage_api.hpp"
#include "image/freeimage_codec.hpp"
#include "image/freeimage_resource.hpp"
#include "image/tiff_graphic.hpp"
#include "platform/resource_stream.hpp"

using namespace codec_test;

namespace {

// The system's library file, as the build embeds it.
std::string system_library_path() {
  void* h = dlopen("libfreeimage.so.3", RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) h = dlopen("libfreeimage.so.3", RTLD_NOW);
  link_map* map = nullptr;
  dlinfo(h, RTLD_DI_LINKMAP, &map);
  std::string path = map->l_name;
  dlclose(h);
  return path;
}

// Points $TMPDIR at a scratch folder for the life of the object.
class scoped_tmpdir {
public:
  scoped_tmpdir() {
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TMPDIR", dir_.path().c_str(), 1);
  }
  ~scoped_tmpdir() {
    if (had_) setenv("TMPDIR", old_.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  std::string file(const std::string& name) const { return dir_.file(name); }
  const std::string& path() const { return dir_.path(); }

private:
  hw_test::ScratchDir dir_;
  std::string old_;
  bool had_ = false;
};

// A resource registered for the life of the object.
struct scoped_resource {
  std::string name;
  scoped_resource(std::string n, const void* data, std::size_t size) : name(std::move(n)) {
    RegisterResource(name, data, size);
  }
  ~scoped_resource() { UnregisterResource(name); }
};

void expect_all_entries_bound(const TFreeImageLibrary& library) {
  const auto* entries = reinterpret_cast<void* const*>(&library.Entries());
  for (int i = 0; i < FreeImageEntryCount; ++i) EXPECT_NE(entries[i], nullptr) << FreeImageEntryNames[i];
}

}  // namespace

TEST(CodecBinding, TheTableHoldsTheFortyOneEntriesInOrder) {
  static_assert(sizeof(TFreeImageEntries) == FreeImageEntryCount * sizeof(void*));
  EXPECT_STREQ(FreeImageEntryNames[0], "FreeImage_IsTransparent");
  EXPECT_STREQ(FreeImageEntryNames[4], "FreeImage_LoadFromHandle");
  EXPECT_STREQ(FreeImageEntryNames[22], "FreeImage_CreateTag");
  EXPECT_STREQ(FreeImageEntryNames[31], "FreeImage_OpenMultiBitmapFromHandle");
  EXPECT_STREQ(FreeImageEntryNames[40], "FreeImage_SetOutputMessageStdCall");
}

TEST(CodecBinding, TheProgramImageDoesNotNeedFreeImage) {
  // The executable's own list of needed libraries, read from its dynamic section.
  link_map* self = nullptr;
  void* h = dlopen(nullptr, RTLD_NOW);
  ASSERT_EQ(dlinfo(h, RTLD_DI_LINKMAP, &self), 0);
  const char* strtab = nullptr;
  for (const ElfW(Dyn)* d = self->l_ld; d->d_tag != DT_NULL; ++d)
    if (d->d_tag == DT_STRTAB) strtab = reinterpret_cast<const char*>(d->d_un.d_ptr);
  ASSERT_NE(strtab, nullptr);
  int needed = 0;
  for (const ElfW(Dyn)* d = self->l_ld; d->d_tag != DT_NULL; ++d)
    if (d->d_tag == DT_NEEDED) {
      ++needed;
      EXPECT_EQ(std::strstr(strtab + d->d_un.d_val, "freeimage"), nullptr) << strtab + d->d_un.d_val;
    }
  EXPECT_GT(needed, 0);
  dlclose(h);
}

TEST(CodecBinding, LoadsFromTheSearchPathWhenNothingLiesBesideTheProgram) {
  hw_test::ScratchDir folder;
  TFreeImageLibrary library({"libfreeimage.so.3", folder.path(), "NoSuchResource"});
  std::string error = "old";
  ASSERT_TRUE(library.LoadFreeImage(error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_EQ(library.LoadedFrom(), "libfreeimage.so.3");
  EXPECT_EQ(library.TempPath(), "");
  expect_all_entries_bound(library);
  // A second call finds the library bound.
  error = "old";
  EXPECT_TRUE(library.LoadFreeImage(error));
  EXPECT_EQ(error, "");
}

TEST(CodecBinding, PrefersTheCopyBesideTheProgram) {
  hw_test::ScratchDir folder;
  write_file(folder.file("libfreeimage.so.3"), read_file(system_library_path()));
  {
    TFreeImageLibrary library({"libfreeimage.so.3", folder.path(), "NoSuchResource"});
    std::string error;
    ASSERT_TRUE(library.LoadFreeImage(error)) << error;
    EXPECT_EQ(library.LoadedFrom(), folder.file("libfreeimage.so.3"));
    expect_all_entries_bound(library);
  }
  // That second copy hooked itself into the shared TIFF library; once released, TIFF files
  // still go through the program's binding.
  TTiffGraphic tiff;
  tiff.NewImage(3, 2, ifTrueColor, nullptr, 0, 0);
  tiff.Fill(Rgb(10, 20, 30));
  TMemoryStream s;
  tiff.SaveToStream(s);
  s.SetPosition(0);
  TTiffGraphic back;
  back.SingleLoadFromStream(s, 1);
  ASSERT_EQ(back.Width(), 3);
  EXPECT_EQ(back.GetPixel(2, 1), Rgb(10, 20, 30));
}

TEST(CodecBinding, ABrokenCopyBesideTheProgramStopsTheSearch) {
  hw_test::ScratchDir folder;
  scoped_tmpdir tmp;
  write_file(folder.file("libfreeimage.so.3"), {'n', 'o', 't', ' ', 'E', 'L', 'F'});
  scoped_resource res("TestFreeImage", freeimage_resource_data(), freeimage_resource_size());
  TFreeImageLibrary library({"libfreeimage.so.3", folder.path(), "TestFreeImage"});
  std::string error;
  EXPECT_FALSE(library.LoadFreeImage(error));
  EXPECT_EQ(error, "Unable to load libfreeimage.so.3");
  EXPECT_FALSE(library.Loaded());
  // The resource was not tried: no temporary copy was written.
  EXPECT_EQ(library.TempPath(), "");
  EXPECT_FALSE(FileExists(tmp.file("zu0.tmp")));
}

TEST(CodecBinding, TheBuildEmbedsTheSystemLibrary) {
  std::vector<Byte> system = read_file(system_library_path());
  ASSERT_GT(system.size(), 100000u);
  ASSERT_EQ(freeimage_resource_size(), system.size());
  EXPECT_EQ(std::memcmp(freeimage_resource_data(), system.data(), system.size()), 0);
  register_freeimage_resource();
  TResourceStream stream("FreeImageDLL");
  EXPECT_EQ(stream.Size(), static_cast<Int64>(system.size()));
  UnregisterResource("FreeImageDLL");
  EXPECT_THROW(TResourceStream("FreeImageDLL"), EResNotFound);
}

TEST(CodecBinding, LoadsTheResourceFromMemoryWithoutWritingAnyFile) {
  scoped_tmpdir tmp;  // nothing lies beside the program in it either
  scoped_resource res("TestFreeImage", freeimage_resource_data(), freeimage_resource_size());
  TFreeImageLibrary library({"libfreeimage.so.3", tmp.path(), "TestFreeImage"});
  std::string error;
  ASSERT_TRUE(library.LoadFreeImage(error)) << error;
  EXPECT_EQ(library.LoadedFrom().rfind("/proc/self/fd/", 0), 0u) << library.LoadedFrom();
  EXPECT_TRUE(FindFiles(tmp.path(), "*").empty());
  expect_all_entries_bound(library);
}

TEST(CodecBinding, LoadsTheResourceThroughATemporaryCopyThatGoesOnceLoaded) {
  hw_test::ScratchDir folder;
  scoped_tmpdir tmp;
  write_file(tmp.file("zu0.tmp"), {1});  // taken: the copy goes to the next free name
  scoped_resource res("TestFreeImage", freeimage_resource_data(), freeimage_resource_size());
  std::vector<std::string> seen;
  {
    TFreeImageLibrary library({"libfreeimage.so.3", folder.path(), "TestFreeImage", false});
    std::string error;
    ASSERT_TRUE(library.LoadFreeImage(error)) << error;
    EXPECT_EQ(library.TempPath(), tmp.file("zu1.tmp"));
    EXPECT_EQ(library.LoadedFrom(), tmp.file("zu1.tmp"));
    // The copy was the resource's bytes: the library mapped from it is the one the build
    // embedded (its own path names the copy).
    void* h = dlopen(tmp.file("zu1.tmp").c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(h, nullptr);
    if (h) dlclose(h);
    // And no copy is left on disk.
    seen = FindFiles(tmp.path(), "*");
    expect_all_entries_bound(library);
    // The bound copy works.
    FIBITMAP* b = library.Entries().FreeImage_Allocate(3, 2, 24, 0, 0, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(library.Entries().FreeImage_GetHeight(b), 2u);
    library.Entries().FreeImage_Unload(b);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"zu0.tmp"}));
}

TEST(CodecBinding, AResourceThatWillNotLoadFallsBackToTheSearchPath) {
  hw_test::ScratchDir folder;
  scoped_tmpdir tmp;
  static const char junk[] = "this is no library at all";
  scoped_resource res("TestFreeImage", junk, sizeof junk);
  TFreeImageLibrary library({"libfreeimage.so.3", folder.path(), "TestFreeImage"});
  std::string error;
  ASSERT_TRUE(library.LoadFreeImage(error)) << error;
  EXPECT_EQ(library.LoadedFrom(), "libfreeimage.so.3");
  // The failed copy was tried and is gone.
  EXPECT_EQ(library.TempPath(), tmp.file("zu0.tmp"));
  EXPECT_FALSE(FileExists(tmp.file("zu0.tmp")));
}

TEST(CodecBinding, ALibraryFoundNowhereIsReported) {
  hw_test::ScratchDir folder;
  TFreeImageLibrary library({"libhw-no-such-library.so.7", folder.path(), ""});
  std::string error;
  EXPECT_FALSE(library.LoadFreeImage(error));
  EXPECT_EQ(error, "Unable to load libhw-no-such-library.so.7");
}

TEST(CodecBinding, AMissingEntryIsReportedAndNothingStaysBound) {
  hw_test::ScratchDir folder;
  TFreeImageLibrary library({"libz.so.1", folder.path(), ""});
  std::string error;
  EXPECT_FALSE(library.LoadFreeImage(error));
  EXPECT_EQ(error, "Function FreeImage_IsTransparent not found in libz.so.1");
  EXPECT_FALSE(library.Loaded());
  // A later attempt does not take the half-bound library for a bound one.
  EXPECT_FALSE(library.LoadFreeImage(error));
  EXPECT_EQ(library.Entries().FreeImage_IsTransparent, nullptr);
}

TEST(CodecBinding, StartUpShowsTheReasonCaptionedWithTheProgramPath) {
  hw_test::dialogs().clear();
  hw_test::ScratchDir folder;
  TFreeImageLibrary missing({"libhw-no-such-library.so.7", folder.path(), ""});
  EXPECT_FALSE(Init_ZuFreeImage(missing));
  EXPECT_EQ(FreeImageStartupError(), "Unable to load libhw-no-such-library.so.7");
  ASSERT_EQ(hw_test::dialogs().requests.size(), 1u);
  const DialogRequest& box = hw_test::dialogs().requests[0];
  EXPECT_EQ(box.kind, DialogKind::MessageBox);
  EXPECT_EQ(box.text, "Unable to load libhw-no-such-library.so.7");
  EXPECT_EQ(box.caption, ProgramPath());
  EXPECT_EQ(box.flags & MB_ICONERROR, MB_ICONERROR);

  hw_test::dialogs().clear();
  TFreeImageLibrary found({"libfreeimage.so.3", folder.path(), ""});
  EXPECT_TRUE(Init_ZuFreeImage(found));
  EXPECT_EQ(FreeImageStartupError(), "");
  EXPECT_TRUE(hw_test::dialogs().requests.empty());
}

TEST(CodecBinding, TheProgramBindingIsMadeAtStartUp) {
  EXPECT_TRUE(FreeImageLibrary().Loaded());
  EXPECT_EQ(&FreeImageAPI(), &FreeImageLibrary().Entries());
}

// ---- Stream callbacks

TEST(CodecStreamIO, ReadsAndWritesCountWholeItems) {
  FreeImageIO* io = StreamIO();
  TMemoryStream s;
  const char ten[] = "0123456789";
  s.WriteBuffer(ten, 10);
  s.SetPosition(0);
  char buf[16] = {};
  EXPECT_EQ(io->read_proc(buf, 4, 3, &s), 2u);  // 10 bytes: two whole items of 4
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  s.SetPosition(0);
  EXPECT_EQ(io->read_proc(buf, 0, 5, &s), 0u);  // a size of 0 reads nothing
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(io->read_proc(buf, 3, 2, &s), 2u);
  EXPECT_EQ(io->tell_proc(&s), 6);

  TMemoryStream out;
  EXPECT_EQ(io->write_proc(const_cast<char*>(ten), 5, 2, &out), 2u);
  EXPECT_EQ(io->write_proc(const_cast<char*>(ten), 0, 2, &out), 0u);
  EXPECT_EQ(out.Size(), 10);
  TBytesStream read_only(ten, 10);
  EXPECT_EQ(io->write_proc(const_cast<char*>(ten), 1, 4, &read_only), 0u);
}

TEST(CodecStreamIO, SeeksReportFailures) {
  FreeImageIO* io = StreamIO();
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(io->seek_proc(&s, 2, SEEK_SET), 0);
  EXPECT_EQ(io->tell_proc(&s), 2);
  EXPECT_EQ(io->seek_proc(&s, 1, SEEK_CUR), 0);
  EXPECT_EQ(io->tell_proc(&s), 3);
  EXPECT_EQ(io->seek_proc(&s, -1, SEEK_END), 0);
  EXPECT_EQ(io->tell_proc(&s), 5);
  EXPECT_NE(io->seek_proc(&s, -10, SEEK_SET), 0);  // before the start
  EXPECT_NE(io->seek_proc(&s, 0, 7), 0);           // no such origin
}

TEST(CodecStreamIO, AStreamNotAtItsStartIsSeenFromItsPosition) {
  TMemoryStream s;
  s.WriteBuffer("xxxPICTURE", 10);
  s.SetPosition(0);
  {
    TFreeImageSource at_start(s);
    EXPECT_FALSE(at_start.Copied());
    EXPECT_EQ(&at_start.Handle(), &s);
  }
  s.SetPosition(3);
  TFreeImageSource later(s);
  ASSERT_TRUE(later.Copied());
  EXPECT_EQ(later.Handle().Size(), 7);
  EXPECT_EQ(later.Handle().Position(), 0);
  char buf[8] = {};
  later.Handle().ReadBuffer(buf, 7);
  EXPECT_EQ(std::string(buf, 7), "PICTURE");
}
