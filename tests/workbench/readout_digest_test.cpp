// The readout as a mouse move over the picture view leaves it on screen, before any later paint:
// the colour bars and the magnifier with its caption, for a few colours, as they were drawn
// before the move's speed-ups.
#include <map>
#include <string>

#include "common/digest.hpp"
#include "workbench_fixture.hpp"

namespace {

class ReadoutDigest : public WorkbenchTest {
protected:
  // The screen pixels of a rectangle of the window's client area.
  void add_area(hw_test::Digest& d, int left, int top, int width, int height) {
    for (int y = top; y < top + height; ++y)
      for (int x = left; x < left + width; ++x) {
        TPoint p = w->ClientToScreen({x, y});
        d.add_int(ScreenPixelColor(p.X, p.Y));
      }
  }
};

const std::map<std::string, std::uint64_t> kStored = {
    {"13,401", 0xC161D612FF1B0D49ull},
    {"300,200", 0x4EFFAD0930F191C4ull},
    {"50,50", 0x87B9C3D61636CAFBull},
    {"611,97", 0xF756269A2CF8AC6Eull},
    {"700,500", 0x45F567877014CD33ull},
};

}  // namespace

TEST_F(ReadoutDigest, AMoveRepaintsTheBarsAndTheMagnifierAtOnce) {
  TControl& image = *w->ImageScrollBox1->Image();
  std::map<std::string, std::uint64_t> got;
  for (auto [x, y] : {std::pair{50, 50}, std::pair{300, 200}, std::pair{611, 97}, std::pair{700, 500}, std::pair{13, 401}}) {
    TPoint scr = image.ClientToScreen({x, y});
    SetCursorPos(scr.X, scr.Y);
    const std::uint32_t under = ScreenPixelColor(scr.X, scr.Y);
    send_mouse_move(image, x, y);
    // No paint is flushed: what the move painted itself is on screen.
    EXPECT_EQ(static_cast<std::uint32_t>(w->panBlowColor->Color()), under);
    hw_test::Digest d;
    add_area(d, 0, 0, 720, 7);
    add_area(d, 720, 0, 180, 137);
    got[std::to_string(x) + "," + std::to_string(y)] = d.value();
  }
  EXPECT_EQ(kStored.size(), got.size());
  for (const auto& [name, value] : got) {
    auto it = kStored.find(name);
    if (it == kStored.end()) ADD_FAILURE() << "no stored digest: {\"" << name << "\", " << hw_test::hex64(value) << "ull},";
    else EXPECT_EQ(hw_test::hex64(it->second), hw_test::hex64(value)) << name;
  }
}
