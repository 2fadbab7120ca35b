// tavrion-icon-file: writes the station's icon as a PNG file for the
// desktop's icon theme, at its own 32 x 32 or scaled to SIZE. The station
// itself carries the icon inside; this runs at build time and needs no
// display.

#include <wx/image.h>

#include <cstdio>
#include <cstdlib>

#include "StationResources.h"

namespace {

constexpr int kOwnSize = 32;

// The icon at SIZE: whole multiples keep its pixels sharp; other sizes are
// filtered.
wxImage IconAt(int size) {
  wxImage image = LoadAppIconImage();
  if (size == kOwnSize) return image;
  wxImageResizeQuality quality =
      size % kOwnSize == 0 ? wxIMAGE_QUALITY_NEAREST : wxIMAGE_QUALITY_HIGH;
  return image.Scale(size, size, quality);
}

}  // namespace

int main(int argc, char** argv) {
  int size = kOwnSize;
  if (argc == 3) {
    char* end = nullptr;
    long value = std::strtol(argv[2], &end, 10);
    size = *end == '\0' && value >= 8 && value <= 1024 ? static_cast<int>(value) : 0;
  }
  if ((argc != 2 && argc != 3) || size == 0) {
    std::fprintf(stderr, "Usage: tavrion-icon-file FILE.png [SIZE, 8 to 1024]\n");
    return 2;
  }
  wxImage::AddHandler(new wxPNGHandler);
  if (!IconAt(size).SaveFile(argv[1], wxBITMAP_TYPE_PNG)) {
    std::fprintf(stderr, "tavrion-icon-file: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
