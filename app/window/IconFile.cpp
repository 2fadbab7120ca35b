// tavrion-icon-file: writes the station's icon as a PNG file for the
// desktop's icon theme. The station itself carries the icon inside; this
// runs at build time and needs no display.

#include <wx/image.h>

#include <cstdio>

#include "StationResources.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: tavrion-icon-file FILE.png\n");
    return 2;
  }
  wxImage::AddHandler(new wxPNGHandler);
  if (!LoadAppIconImage().SaveFile(argv[1], wxBITMAP_TYPE_PNG)) {
    std::fprintf(stderr, "tavrion-icon-file: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
