#include "StationResources.h"

#include <wx/image.h>

#include "Resource.h"

namespace {

// The link indication bitmaps: 17 x 14 pixels of one colour each.
// clang-format off
const char* const kGreyXpm[] = {
    "17 14 1 1",
    "x c #A0A0A0",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx"};

const char* const kOrangeXpm[] = {
    "17 14 1 1",
    "x c #FF8000",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx"};

const char* const kGreenXpm[] = {
    "17 14 1 1",
    "x c #00C000",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx"};

const char* const kRedXpm[] = {
    "17 14 1 1",
    "x c #FF0000",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx",
    "xxxxxxxxxxxxxxxxx"};

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
      return wxBitmap(kGreyXpm);
    case IDB_ORANGE:
      return wxBitmap(kOrangeXpm);
    case IDB_GREEN:
      return wxBitmap(kGreenXpm);
    case IDB_RED:
      return wxBitmap(kRedXpm);
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
