#pragma once
// The readers of the station's options that take a value, one per option:
// each checks the value, puts it into the settings and returns true, or
// leaves one line in `fault` saying what is wrong with it (cut to
// faultSize - 1) and returns false.

#include "StationSettings.h"

using StationValueReader = bool (*)(const char* value, StationSettings* settings, char* fault,
                                    int faultSize);

bool ReadDestinationOption(const char* value, StationSettings* settings, char* fault,
                           int faultSize);
bool ReadPortOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadSegmentOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadDirectoryOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadReceiverOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadViewOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadMapAltitudeOption(const char* value, StationSettings* settings, char* fault,
                           int faultSize);
bool ReadRateOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadTimeSliceOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadControlOption(const char* value, StationSettings* settings, char* fault, int faultSize);
bool ReadFinalPollOption(const char* value, StationSettings* settings, char* fault, int faultSize);

// What can only be judged once every option is read: a broadcast address
// (for the destination or a receiver) needs --broadcast, which may stand
// anywhere on the command line.
bool CheckBroadcastAddresses(const StationSettings& settings, char* fault, int faultSize);

// The limits the help text tells.
constexpr int kLeastTimeSlice = 100;
constexpr int kMostTimeSlice = 100000;
constexpr int kMostFinalPoll = 1000;
