#pragma once
// The bitmaps and the icon of the station, built into the program from the
// image data in StationResources.cpp (no files are looked up at run time).

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

// One of IDB_GREY, IDB_ORANGE, IDB_GREEN, IDB_RED; an invalid bitmap for
// any other id.
wxBitmap LoadStatusBitmap(int bitmapId);

// Icon 128, 32 x 32.
wxIcon LoadAppIcon();
// Icon 128 as an image, which needs no display.
wxImage LoadAppIconImage();
// Icon 128 as the large and the small window icon.
wxIconBundle LoadAppIcons();
