#pragma once
// The small KML file of --kml-link: a NetworkLink to the --kml document that
// Google Earth reloads every second (refreshMode onInterval, refreshInterval
// 1), so a second Google Earth, an instructor's beside the receivers, follows
// the path as it is flown. The link names the document by its file name when
// both files lie in one folder (they can be moved or shared together), and
// by its absolute path otherwise.

#include <string>

// The whole link document for a path document at kmlPath, linked from a
// file at linkPath; source names where the cameras come from.
std::string KmlNetworkLinkText(const char* linkPath, const char* kmlPath, const char* source);

// Writes it (replacing the file); false with "cannot write <file>: <reason>"
// in error.
bool WriteKmlNetworkLink(const char* linkPath, const char* kmlPath, const char* source,
                         std::string* error);
