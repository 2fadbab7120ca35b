#include "StationCamera.h"

#include <cmath>
#include <cstdint>

#include "Limit.h"

namespace {

constexpr double kTiltPerMetre = 0.02;  // downward tilt per metre above ground
constexpr double kMaxTiltReduction = 10.0;
constexpr double kBlendStart = 5000.0;  // height above ground where the blend starts
constexpr double kBlendSpan = 1000.0;   // plain altitude alone from 6000 m
constexpr double kSlewFraction = 0.1;   // of the remaining difference per send
constexpr double kHorizonTilt = 90.0;
constexpr double kEyePointOffset = 20.0;
constexpr double kWindowOffset = 90.0;

}  // namespace

StationCamera::StationCamera()
    : m_camera(),
      m_viewMode(ViewForward),
      m_lastSimView(kNoSimView),
      m_slew(false),
      m_slewFraction(kSlewFraction),
      m_headingOffset(0.0),
      m_tiltReduction(0.0),
      m_aglBlend(false),
      m_blendFactor(0.0),
      m_altitude(0.0),
      m_datumOffset(0.0),
      m_mapAltitude(0.0) {}

void StationCamera::SetSendsPerSecond(int sendsPerSecond) {
  // At 30 a second each send takes a tenth of what is left; faster, each
  // takes less, so that a second of slewing turns the view as far.
  m_slewFraction = sendsPerSecond <= kBaseSendsPerSecond
                       ? kSlewFraction
                       : 1.0 - std::pow(1.0 - kSlewFraction,
                                        static_cast<double>(kBaseSendsPerSecond) / sendsPerSecond);
}

void StationCamera::Restart() {
  m_camera.counter = kInitialCounter;
  m_mapAltitude = 0.0;
  m_viewMode = ViewForward;
  m_altitude = 0.0;
  m_headingOffset = 0.0;
}

double StationCamera::WrapHeading(double heading) {
  if (heading > 360.0) {
    heading -= 360.0;
  }
  if (heading < 0.0) {
    heading += 360.0;
  }
  return heading;
}

void StationCamera::ChooseViewUntilSimulatorChanges(int mode) {
  m_viewMode = mode;
  m_lastSimView = kAdoptSimView;
}

void StationCamera::Compute(const VisualBlock& block) {
  ComputeAltitude(block);
  m_camera.latitude = block.latitude;
  m_camera.longitude = block.longitude;
  FollowSimulatorView(block.viewSelect);
  m_tiltReduction = Limit(0.0, kTiltPerMetre * block.heightAgl, kMaxTiltReduction);
  SetCameraForView(block);
  m_camera.timeEnd = static_cast<std::int64_t>(block.timeValue);
  m_camera.timeStart = 0;
}

void StationCamera::ComputeAltitude(const VisualBlock& block) {
  const double agl = block.heightAgl;
  if (!m_aglBlend) {
    m_blendFactor = 1.0;
  } else if (agl >= kBlendStart) {
    m_blendFactor = (agl - kBlendStart) / kBlendSpan;
  } else {
    m_blendFactor = 0.0;
  }
  m_blendFactor = Limit(0.0, m_blendFactor, 1.0);
  m_altitude = (1.0 - m_blendFactor) * agl + m_blendFactor * block.altitude;
}

void StationCamera::FollowSimulatorView(int selection) {
  if (m_lastSimView == kAdoptSimView) {
    m_lastSimView = selection;
  }
  if (selection != m_lastSimView) {
    switch (selection) {
      case kSimViewForward:
        m_viewMode = ViewForward;
        break;
      case kSimViewLeftWindow:
        m_viewMode = ViewLeftWindowSim;
        break;
      case kSimViewRightWindow:
        m_viewMode = ViewRightWindowSim;
        break;
      case kSimViewLeftEyePoint:
        m_viewMode = ViewFwdL;
        break;
      case kSimViewRightEyePoint:
        m_viewMode = ViewFwdR;
        break;
      default:
        break;
    }
  }
  m_lastSimView = selection;
}

void StationCamera::SmoothHeadingOffset(double target) {
  if (m_slew) {
    m_headingOffset += m_slewFraction * (target - m_headingOffset);
  } else {
    m_headingOffset = target;
  }
}

void StationCamera::SetCameraForView(const VisualBlock& block) {
  const double pitch = block.pitch;
  const double bank = block.bank;
  double target = 0.0;
  switch (m_viewMode) {
    case ViewForward:
      target = 0.0;
      break;
    case ViewFwdL:
      target = -kEyePointOffset;
      break;
    case ViewFwdR:
      target = kEyePointOffset;
      break;
    case ViewLeftWindowSim:
    case ViewLeftWindow:
      target = -kWindowOffset;
      break;
    case ViewRightWindowSim:
    case ViewRightWindow:
      target = kWindowOffset;
      break;
    case ViewMap:
      // Straight down from the chosen height; the heading offset keeps its
      // value for the return to an eye-point view.
      m_camera.altitude = m_mapAltitude;
      m_camera.heading = block.heading;
      m_camera.tilt = 0.0;
      m_camera.roll = 0.0;
      return;
    default:
      return;
  }
  SmoothHeadingOffset(target);
  m_camera.altitude = m_datumOffset + m_altitude;
  m_camera.heading = WrapHeading(block.heading + m_headingOffset);
  // "0 - bank" rather than "-bank": a level aircraft rolls 0.000000, not -0.000000.
  switch (m_viewMode) {
    case ViewForward:
      m_camera.tilt = kHorizonTilt + pitch;
      m_camera.roll = 0.0 - bank;
      break;
    case ViewFwdL:
    case ViewFwdR:
      m_camera.tilt = kHorizonTilt + pitch - m_tiltReduction;
      m_camera.roll = 0.0 - bank;
      break;
    case ViewLeftWindowSim:
    case ViewLeftWindow:
      m_camera.tilt = kHorizonTilt + bank - m_tiltReduction;
      m_camera.roll = 0.0;
      break;
    default:  // right window
      m_camera.tilt = kHorizonTilt - bank - m_tiltReduction;
      m_camera.roll = 0.0;
      break;
  }
}
