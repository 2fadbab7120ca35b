#include "StationResources.h"

#include <wx/image.h>

#include "Resource.h"

namespace {

// The link indication bitmaps: 17 x 14 pixels of one colour each.
wxBitmap SolidBitmap(unsigned char red, unsigned char green, unsigned char blue) {
  constexpr int kWidth = 17;
  constexpr int kHeight = 14;
  wxImage image(kWidth, kHeight);
  image.SetRGB(wxRect(0, 0, kWidth, kHeight), red, green, blue);
  return wxBitmap(image);
}

// clang-format off
// The application icon: the globe with the eye point over it.
const char* const kIconXpm[] = {
    "32 32 7 1",
    "  c None",
    ". c #0B2A66",
    "o c #2E6FD8",
    "+ c #9CC4F5",
    "g c #3C9A3C",
    "w c #FFFFFF",
    "r c #D02020",
    "                                ",
    "                                ",
    "            ........            ",
    "         ....+o++o+....         ",
    "        ..oo+oo++oo+oo.www      ",
    "      ...oo+ooo++ooo+owwrww     ",
    "     ..gggg+ooo++ooo+wwrrrww    ",
    "     .+ggggggoo++oooowrrrrrw    ",
    "    ..gggg+gggo++oooowwrrrww    ",
    "   ..ggggg+gggo++oooo+wwrww..   ",
    "   .+gggggggggo++ooooggwwwo+.   ",
    "   .+gggggggggo++ooooogggoo+.   ",
    "  ..ogggggggggg++ooooooooooo..  ",
    "  .+ooggg+ggggg++ooooo+ooooo+.  ",
    "  .+ooogg+ggggg++ooooo+ooooo+.  ",
    "  .++++++++++++++++++++++++++.  ",
    "  .++++++++++++++++++++++++++.  ",
    "  .+ooooo+ogggo++ggggg+gggoo+.  ",
    "  .+ooooo+ooooo++ggggg+gggoo+.  ",
    "  ..ooooooooooo++gggggggggoo..  ",
    "   .+oooooooooo++gggggggggo+.   ",
    "   .+oooooooooo++gggggggggo+.   ",
    "   ..ooooo+oooo++gggg+gggoo..   ",
    "    ..oooo+oooo++gggg+ggoo..    ",
    "     .+oooooooo++gggggooo+.     ",
    "     ..oooo+ooo++ggg+gooo..     ",
    "      ...oo+ooo++ggg+go...      ",
    "        ..oo+oo++oo+oo..        ",
    "         ....+o++o+....         ",
    "            ........            ",
    "                                ",
    "                                "};
// clang-format on

}  // namespace

wxBitmap LoadStatusBitmap(int bitmapId) {
  switch (bitmapId) {
    case IDB_GREY:
      return SolidBitmap(0xA0, 0xA0, 0xA0);
    case IDB_ORANGE:
      return SolidBitmap(0xFF, 0x80, 0x00);
    case IDB_GREEN:
      return SolidBitmap(0x00, 0xC0, 0x00);
    case IDB_RED:
      return SolidBitmap(0xFF, 0x00, 0x00);
    default:
      return wxBitmap();
  }
}

wxImage LoadAppIconImage() {
  return wxImage(kIconXpm);
}

wxIcon LoadAppIcon() {
  wxIcon icon;
  icon.CopyFromBitmap(wxBitmap(kIconXpm));
  return icon;
}

wxIconBundle LoadAppIcons() {
  wxIconBundle icons(LoadAppIcon());
  wxImage small = wxBitmap(kIconXpm).ConvertToImage().Scale(16, 16, wxIMAGE_QUALITY_HIGH);
  wxIcon smallIcon;
  smallIcon.CopyFromBitmap(wxBitmap(small));
  icons.AddIcon(smallIcon);
  return icons;
}
