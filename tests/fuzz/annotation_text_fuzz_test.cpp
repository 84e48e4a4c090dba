// Thousands of damaged annotation texts: each one either loads into marks or raises a clear
// error, never anything worse; what loads saves again, reloads, and draws.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "annotate/annotation_text.hpp"
#include "annotate/annotations_editor.hpp"
#include "annotate/dib_fixture.hpp"
#include "tests/fuzz/support/seed_pictures.hpp"

namespace {

// Good texts holding every kind of mark, to be damaged.
std::vector<std::string> seed_texts() {
  std::vector<std::string> seeds;
  TAnnotationsEditor e(nullptr);
  hw_fuzz::add_every_kind_of_mark(e);
  seeds.push_back(e.SaveToString());

  TAnnotationsEditor pictures(nullptr);
  TImageMark* image = pictures.AddImage();
  image->SetMarkRect(Rect(2, 2, 30, 30));
  image->SetDIBHandle(hw_test::make_dib24(4, 3, [](int x, int y) { return static_cast<std::uint32_t>(x * 60 + y * 0x5000); }));
  TImageMark* empty = pictures.AddImage();
  empty->SetMarkRect(Rect(10, 10, 20, 20));
  empty->SetTransparent(true);
  pictures.AddRectangle()->SetMarkRect(Rect(0, 0, 8, 8));
  seeds.push_back(pictures.SaveToString());
  // Pictures of the other PPM variants, written by hand.
  for (std::string ppm : {std::string("P1\n3 2\n1 0 1\n0 1 0\n"), std::string("P2\n2 2\n15\n0 5\n10 15\n"),
                          std::string("P6\n1 1\n255\n\x10\x20\x30", 15), std::string("P5 2 1 255 \x01\x02", 13)}) {
    std::string n = std::to_string(ppm.size());
    seeds.push_back("(1)(5)(0)(0)(9)(9)(1)(0)(0)(1)(" + n + ")(" + n + ")" + ppm);
  }
  return seeds;
}

class Mutator {
public:
  explicit Mutator(unsigned seed) : rng_(seed) {}

  std::string mutate(std::string s) {
    const int rounds = 1 + pick(4);
    for (int i = 0; i < rounds; ++i) {
      switch (pick(8)) {
        case 0:  // flip a bit
          if (!s.empty()) s[pos(s)] ^= static_cast<char>(1 << pick(8));
          break;
        case 1:  // a byte the reader cares about
          if (!s.empty()) s[pos(s)] = kSpecial[pick(static_cast<int>(sizeof(kSpecial) - 1))];
          break;
        case 2:  // insert bytes
          s.insert(s.empty() ? 0 : pos(s), std::string(1 + pick(4), kSpecial[pick(static_cast<int>(sizeof(kSpecial) - 1))]));
          break;
        case 3:  // delete a run
          if (!s.empty()) {
            size_t p = pos(s);
            s.erase(p, 1 + pick(12));
          }
          break;
        case 4:  // duplicate a run
          if (!s.empty()) {
            size_t p = pos(s);
            std::string run = s.substr(p, 1 + pick(30));
            s.insert(pos(s), run);
          }
          break;
        case 5:  // truncate
          if (!s.empty()) s.resize(pos(s));
          break;
        case 6:  // replace one Integer with an interesting value
          replace_integer(s);
          break;
        default:  // replace a digit
          for (int tries = 0; tries < 8 && !s.empty(); ++tries) {
            size_t p = pos(s);
            if (s[p] >= '0' && s[p] <= '9') {
              s[p] = static_cast<char>('0' + pick(10));
              break;
            }
          }
          break;
      }
    }
    return s;
  }

private:
  static constexpr char kSpecial[] = "()-0123456789P \n#x\xff";

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  size_t pos(const std::string& s) { return static_cast<size_t>(pick(static_cast<int>(s.size()))); }

  void replace_integer(std::string& s) {
    static const char* kValues[] = {"0", "-1", "1", "2147483647", "-2147483648", "2147483648", "65535",
                                    "100000", "-100000", "999999999", "", "$7F", "0x10", "3", "6"};
    std::vector<size_t> opens;
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] == '(') opens.push_back(i);
    if (opens.empty()) return;
    size_t open = opens[static_cast<size_t>(pick(static_cast<int>(opens.size())))];
    size_t close = s.find(')', open);
    if (close == std::string::npos) return;
    s.replace(open + 1, close - open - 1, kValues[pick(static_cast<int>(std::size(kValues)))]);
  }

  std::mt19937 rng_;
};

// Loads the text; returns whether it loaded. Anything but the program's own exceptions fails
// the test.
bool try_load(TAnnotationsEditor& e, const std::string& text, const std::string& what) {
  try {
    e.LoadFromString(text);
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::exception& x) {
    ADD_FAILURE() << what << ": unexpected " << typeid(x).name() << ": " << x.what();
  } catch (...) {
    ADD_FAILURE() << what << ": unexpected exception";
  }
  return false;
}

}  // namespace

TEST(AnnotationTextFuzz, DamagedTextsLoadOrFailCleanly) {
  const std::vector<std::string> seeds = seed_texts();
  ASSERT_EQ(seeds.size(), 6u);
  // Every seed is good as it stands.
  for (const std::string& seed : seeds) {
    TAnnotationsEditor e(nullptr);
    ASSERT_TRUE(try_load(e, seed, "seed")) << seed;
    ASSERT_GT(e.Count(), 0);
  }
  Mutator mutator(20261207);
  TAnnotationsEditor clamped(nullptr);
  clamped.SetDisplayRect(Rect(0, 0, 64, 64));
  clamped.SetZoomFactor(100);
  clamped.SetDisplayResolution(96);
  TAnnotationsEditor open(nullptr);
  open.SetZoomFactor(150);
  TBitmap canvas;
  canvas.SetSize(64, 64);

  int loaded = 0, failed = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string& seed = seeds[static_cast<size_t>(i) % seeds.size()];
    const std::string text = mutator.mutate(seed);
    const std::string what = "mutation " + std::to_string(i);
    TAnnotationsEditor& e = i % 2 ? open : clamped;
    if (!try_load(e, text, what)) {
      ++failed;
      continue;
    }
    ++loaded;
    // What loaded saves, and the saved text loads again into the same text.
    std::string saved = e.SaveToString();
    TAnnotationsEditor again(nullptr);
    ASSERT_TRUE(try_load(again, saved, what + " (saved)")) << saved;
    ASSERT_EQ(again.SaveToString(), saved) << what;
    if (i % 10 == 1) {  // frames round marks of any size
      e.SetEditMode(true);
      e.SetEditMode(false);
    }
    if (&e == &clamped) {
      EXPECT_NO_THROW(e.BurnIn(*canvas.Canvas())) << what;
    }
  }
  // The mutations reach both sides.
  EXPECT_GT(loaded, 400);
  EXPECT_GT(failed, 400);
}

TEST(AnnotationTextFuzz, RandomBytesAndPrimitiveStreams) {
  std::mt19937 rng(7);
  TAnnotationsEditor e(nullptr);
  for (int i = 0; i < 1000; ++i) {
    std::string text;
    const int n = std::uniform_int_distribution<int>(0, 80)(rng);
    // Texts made of Integers with a few stray bytes, so that reading goes deep.
    while (static_cast<int>(text.size()) < n) {
      int kind = std::uniform_int_distribution<int>(0, 9)(rng);
      if (kind < 7) text += "(" + std::to_string(std::uniform_int_distribution<int>(-3, 12)(rng)) + ")";
      else text += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    }
    try_load(e, text, "random " + std::to_string(i));
    TAnnotationTextReader r(text);
    try {
      while (!r.AtEnd()) r.ReadString();
    } catch (const Exception&) {
    }
    EXPECT_LE(r.Position(), text.size());
  }
}
