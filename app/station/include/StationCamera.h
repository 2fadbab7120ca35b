#pragma once
// The camera of every view, worked out from the simulator's eye point: the
// view (chosen by the operator, or the crew's selection as the simulator
// reports it), the heading offset of the eye-point and window views with
// its slew, the altitude blended from the height above ground to the plain
// altitude between 5,000 and 6,000 m, the current airport's datum offset,
// the map view's height, and the downward tilt reduced near the ground.
// Nothing of a window: a station with one or without one drives it alike.

#include "ViewSync.h"
#include "VisualInterfaceShm.h"

class StationCamera {
 public:
  // The simulator's selection before any was read.
  static constexpr int kNoSimView = 8;
  // The selection as first read counts as seen: only its changes are followed.
  static constexpr int kAdoptSimView = -1;
  // Before the first Connect; Connect starts the counter where the last run left it.
  static constexpr int kInitialCounter = 1509;

  StationCamera();

  // The start-up values: counter 1509, forward view, map height 0, no
  // heading offset, altitude 0.
  void Restart();
  // One send's camera from the simulator's block: position and time, the
  // view (the simulator's selection followed when it changed), the altitude
  // and the view's heading, tilt and roll. The counter is left to the caller.
  void Compute(const VisualBlock& block);

  // A view chosen by the operator; it holds until the simulator's selection changes.
  void ChooseView(int mode) { m_viewMode = mode; }
  // A view chosen before any selection was read (a station without a window):
  // the first selection read does not replace it.
  void ChooseViewUntilSimulatorChanges(int mode);
  // The next selection read counts as a change.
  void ForgetSimulatorView() { m_lastSimView = kNoSimView; }
  void SetSlew(bool slew) { m_slew = slew; }
  // The sends a second the slew is timed for; 30 unless told.
  static constexpr int kBaseSendsPerSecond = 30;
  void SetSendsPerSecond(int sendsPerSecond);
  bool IsSlewing() const { return m_slew; }
  // On: the altitude blends from the height above ground to the plain
  // altitude; off: the plain altitude alone.
  void SetAglBlend(bool blend) { m_aglBlend = blend; }
  void SetMapAltitude(double metres) { m_mapAltitude = metres; }
  double GetMapAltitude() const { return m_mapAltitude; }
  void SetDatumOffset(double offset) { m_datumOffset = offset; }
  double GetDatumOffset() const { return m_datumOffset; }

  ViewSyncCamera& Camera() { return m_camera; }
  const ViewSyncCamera& Camera() const { return m_camera; }
  int GetViewMode() const { return m_viewMode; }
  double GetHeadingOffset() const { return m_headingOffset; }
  double GetBlendFactor() const { return m_blendFactor; }
  double GetTiltReduction() const { return m_tiltReduction; }
  // The blended altitude of the last Compute, before the datum offset.
  double GetAltitude() const { return m_altitude; }

  // Once into 0 to 360: above 360 loses 360, then below 0 gains 360.
  static double WrapHeading(double heading);

 private:
  void ComputeAltitude(const VisualBlock& block);
  void FollowSimulatorView(int selection);
  void SmoothHeadingOffset(double target);
  void SetCameraForView(const VisualBlock& block);

  ViewSyncCamera m_camera;
  int m_viewMode;
  int m_lastSimView;
  bool m_slew;
  double m_slewFraction;
  double m_headingOffset;
  double m_tiltReduction;
  bool m_aglBlend;
  double m_blendFactor;
  double m_altitude;
  double m_datumOffset;
  double m_mapAltitude;
};
