// Digests of every built-in picture as the generators drew them before their speed-ups: the
// seventeen spectrum strips, every button glyph, the two test pictures, the ten paintings and
// the help pages. A change of speed that moves one pixel fails here.
//
// The digests are the same on every x86-64 machine: the vector painter draws on a premultiplied
// surface, which the raster engine blends in integers only, and turns it back to straight alpha
// in its own integer code. (The engine's straight-alpha store divides by alpha through an
// approximate reciprocal instruction, whose last bits differ between processor makers; no
// generator reaches it now.) Switching off the toolkit's SIMD paths (QT_NO_CPU_FEATURE="sse4.1
// avx2") or glibc's FMA/AVX2 maths (GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA) leaves every
// digest as it is.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "common/digest.hpp"
#include "resources/glyphs.hpp"
#include "resources/help_pages.hpp"
#include "resources/paintings.hpp"
#include "resources/spectrum_strips.hpp"
#include "resources/test_pictures.hpp"

namespace {

using hw_test::Digest;

std::uint64_t digest_of(const Raster24& r) {
  Digest d;
  d.add_int(r.width).add_int(r.height).add(r.bgr.data(), r.bgr.size());
  return d.value();
}

// Compares each computed digest with the stored one; a name without a stored digest is listed
// as a line to store.
void expect_digests(const std::map<std::string, std::uint64_t>& stored, const std::map<std::string, std::uint64_t>& got) {
  EXPECT_EQ(stored.size(), got.size());
  for (const auto& [name, value] : got) {
    auto it = stored.find(name);
    if (it == stored.end()) {
      ADD_FAILURE() << "no stored digest: {\"" << name << "\", " << hw_test::hex64(value) << "ull},";
      continue;
    }
    EXPECT_EQ(hw_test::hex64(it->second), hw_test::hex64(value)) << name;
  }
}

#include "output_digests.inc"

}  // namespace

TEST(OutputDigests, SpectrumStrips) {
  std::map<std::string, std::uint64_t> got;
  for (int step : kSpectrumSteps) got[std::to_string(step)] = digest_of(make_spectrum_strip(step));
  expect_digests(kStripDigests, got);
}

TEST(OutputDigests, Glyphs) {
  std::map<std::string, std::uint64_t> got;
  for (const std::string& name : glyph_names()) {
    TColor key = 0;
    Raster24 r = make_glyph(name, key);
    got[name] = Digest().add_int(digest_of(r)).add_int(key).value();
  }
  expect_digests(kGlyphDigests, got);
}

TEST(OutputDigests, TestPicturesPaintingsAndHelpPages) {
  std::map<std::string, std::uint64_t> got;
  for (const char* name : {"imgPicTest", "imgPicTest1"}) {
    TestPicture t = make_test_picture(name);
    got[name] = Digest().add_int(t.width).add_int(t.height).add(t.palette.data(), sizeof t.palette).add(t.indices.data(), t.indices.size()).value();
  }
  for (const Painter& p : painters()) got[p.name] = digest_of(make_painting(p));
  for (const std::string& name : help_page_names()) got[name] = digest_of(make_help_page(name));
  TColor key = 0;
  Raster24 logo = make_help_logo(key);
  got["Image10"] = Digest().add_int(digest_of(logo)).add_int(key).value();
  expect_digests(kOtherDigests, got);
}
