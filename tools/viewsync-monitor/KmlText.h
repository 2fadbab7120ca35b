#pragma once
// Texts of the monitor's KML document that come from values: times, a
// camera as KML sees it, and what a mark at an abrupt change of view says.
// Numbers use "." as the decimal separator whatever the process locale.
// Each returns what SafeFormat returns.

#include "ViewChange.h"
#include "ViewSyncParser.h"

// UTC in ISO 8601 with milliseconds, as KML's <when> takes it:
// "2024-05-01T12:00:00.033Z". A time that is not a number counts as 0.
int FormatKmlTime(double unixSeconds, char* buffer, int size);

// The <Camera> element that shows in Google Earth what the receiver showed:
// position, absolute altitude, heading, tilt and roll, the angles brought
// into the ranges KML allows (heading 0..360, tilt 0..180, roll -180..180).
int FormatKmlCamera(const ReceivedCamera& camera, char* buffer, int size);

// The mark's name: what jumped, e.g. "heading +90.0 deg, altitude +3.00 m".
int FormatChangeName(const ViewChange& change, char* buffer, int size);

// The mark's description: the counter, the time and every value before and
// after the change.
int FormatChangeDescription(const ViewChange& change, const ReceivedCamera& camera,
                            const char* when, char* buffer, int size);
