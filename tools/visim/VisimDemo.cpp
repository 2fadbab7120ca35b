#include "VisimDemo.h"

#include <cmath>

#include "TextFunctions.h"

namespace VisimDemo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 6371000.0 * kPi / 180.0;

// Phases of a lap, seconds from its start.
constexpr double kRollStart = 0.0;    // brakes off at once, so the eye moves from the start
constexpr double kLiftOff = 32.0;     // at kClimbSpeed
constexpr double kTurnStart = 80.0;   // left onto south
constexpr double kTurnEnd = 125.0;    // 2 degrees a second for 90 degrees
constexpr double kLevelOff = 272.0;   // kCruiseHeight reached
constexpr double kClimbSpeed = 75.0;  // m/s from lift-off on
constexpr double kRollAcceleration = kClimbSpeed / (kLiftOff - kRollStart);
constexpr double kRollDistance =
    0.5 * kRollAcceleration * (kLiftOff - kRollStart) * (kLiftOff - kRollStart);
constexpr double kTurnRate = 2.0;  // deg/s, to the left
constexpr double kTurnBank = -15.0;
constexpr double kClimbRate = (kCruiseHeight - kEyeHeight) / (kLevelOff - kLiftOff);

struct Change {
  double from;
  const char* airport;
  int view;
};
// From each time on, until the next: the airport the simulator reports and
// the view its crew picked.
constexpr Change kChanges[] = {
    {0.0, "EGLL", kSimViewForward},         {60.0, "EGLL", kSimViewLeftWindow},
    {100.0, "EGLL", kSimViewLeftEyePoint},  {140.0, "EGLL", kSimViewForward},
    {150.0, "EGLF", kSimViewForward},       {200.0, "EGLF", kSimViewRightWindow},
    {240.0, "EGLF", kSimViewRightEyePoint}, {250.0, "EGKK", kSimViewRightEyePoint},
    {270.0, "EGKK", kSimViewForward},
};

// Goes linearly from a to b while t runs from t0 to t1; held outside.
double Ramp(double t, double t0, double t1, double a, double b) {
  if (t <= t0) return a;
  if (t >= t1) return b;
  return a + (b - a) * (t - t0) / (t1 - t0);
}

double Pitch(double t) {
  if (t < kLiftOff - 3.0) return 0.0;
  if (t < kLiftOff + 18.0) return Ramp(t, kLiftOff - 3.0, kLiftOff, 0.0, 8.0);  // rotation
  if (t < kLevelOff - 5.0) return Ramp(t, kLiftOff + 18.0, kLiftOff + 28.0, 8.0, 5.0);
  return Ramp(t, kLevelOff - 5.0, kLevelOff, 5.0, 0.0);
}

double Bank(double t) {
  if (t < kTurnStart || t > kTurnEnd) return 0.0;
  if (t < kTurnStart + 3.0) return Ramp(t, kTurnStart, kTurnStart + 3.0, 0.0, kTurnBank);
  return Ramp(t, kTurnEnd - 3.0, kTurnEnd, kTurnBank, 0.0);
}

double Height(double t) {
  if (t < kLiftOff) return kEyeHeight;
  if (t < kLevelOff) return kEyeHeight + kClimbRate * (t - kLiftOff);
  return kCruiseHeight;
}

// Distance flown along the track and where it puts the eye, in metres east
// and north of the start, with the heading.
void Track(double t, double* east, double* north, double* heading) {
  if (t < kTurnStart) {
    double distance = 0.0;
    if (t >= kLiftOff) {
      distance = kRollDistance + kClimbSpeed * (t - kLiftOff);
    } else if (t > kRollStart) {
      distance = 0.5 * kRollAcceleration * (t - kRollStart) * (t - kRollStart);
    }
    *east = -distance;
    *north = 0.0;
    *heading = kStartHeading;
    return;
  }
  double turnStartEast = -(kRollDistance + kClimbSpeed * (kTurnStart - kLiftOff));
  double radius = kClimbSpeed / (kTurnRate * kPi / 180.0);
  double start = kStartHeading * kPi / 180.0;
  double turned = std::fmin(t, kTurnEnd) - kTurnStart;
  double now = start - kTurnRate * turned * kPi / 180.0;
  // A circle flown to the left from heading start to heading now.
  *east = turnStartEast + radius * (std::cos(now) - std::cos(start));
  *north = -radius * (std::sin(now) - std::sin(start));
  *heading = kStartHeading - kTurnRate * turned;
  if (t > kTurnEnd) *north -= kClimbSpeed * (t - kTurnEnd);  // straight on south
}

}  // namespace

VisimFields At(double seconds) {
  double t = std::fmod(seconds, kLapSeconds);
  if (!(t >= 0.0)) t = 0.0;  // negative or not a number: the start

  double east = 0.0;
  double north = 0.0;
  double heading = kStartHeading;
  Track(t, &east, &north, &heading);

  VisimFields fields;
  fields.latitude = kStartLatitude + north / kMetresPerDegree;
  fields.longitude =
      kStartLongitude + east / (kMetresPerDegree * std::cos(kStartLatitude * kPi / 180.0));
  fields.heightAgl = Height(t);
  fields.altitude = kGroundElevation + fields.heightAgl;
  fields.pitch = Pitch(t);
  fields.bank = Bank(t);
  fields.heading = heading;
  const Change* change = &kChanges[0];
  for (const Change& candidate : kChanges) {
    if (t >= candidate.from) change = &candidate;
  }
  SafeCopy(fields.airport, change->airport, kAirportIdentTextSize);
  fields.view = change->view;
  fields.timeValue = static_cast<std::int32_t>(t);
  fields.mask = ~VisimFields::Bit(kFieldStateWord) & ((1u << kFieldCount) - 1u);
  return fields;
}

}  // namespace VisimDemo
