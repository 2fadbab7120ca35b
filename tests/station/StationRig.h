#pragma once
// A station on the test bench without any window: a Station with a fake clock
// and a fake message queue, over a real shared segment under a test name
// (with a "simulator" attached to it that writes the record), a real offsets
// file in a temporary folder and a real UDP receiver on 127.0.0.1. A
// recording observer keeps everything the station tells, in order.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "ClockFake.h"
#include "LoopbackPeer.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "Station.h"
#include "StationBench.h"
#include "TempDir.h"
#include "VisualShm.h"

// Every event the station told, with its texts and the status as it stood
// when it was told (what a face would have shown then).
class StationRecorder : public StationObserver {
 public:
  struct Told {
    StationEvent::Kind kind;
    std::string text;
    std::string caption;
    int style;
    StationStatus status;
  };

  void Watch(const Station& station) { m_station = &station; }

  void OnStationEvent(const StationEvent& event) override {
    told.push_back({event.kind, event.text, event.caption, event.style, m_station->GetStatus()});
    if (event.kind == StationEvent::kBox && whileBoxIsUp) whileBoxIsUp();
  }

  std::vector<Told> Of(StationEvent::Kind kind) const {
    std::vector<Told> found;
    for (const Told& one : told) {
      if (one.kind == kind) found.push_back(one);
    }
    return found;
  }
  int Count(StationEvent::Kind kind) const { return static_cast<int>(Of(kind).size()); }
  std::vector<Told> Boxes() const { return Of(StationEvent::kBox); }
  std::vector<Told> Reports() const { return Of(StationEvent::kReport); }
  // The lamp (LinkStatus) at each of its changes.
  std::vector<int> Lamps() const {
    std::vector<int> lamps;
    for (const Told& one : Of(StationEvent::kLamp)) lamps.push_back(one.status.lamp);
    return lamps;
  }
  // The frame count the figures showed at their last refresh; 0 before any,
  // as a face starts.
  int FramesShown() const {
    const std::vector<Told> figures = Of(StationEvent::kFigures);
    return figures.empty() ? 0 : figures.back().status.frameCount;
  }

  std::vector<Told> told;
  // Runs while a box is up, as what a face's queue delivers then would.
  std::function<void()> whileBoxIsUp;

 private:
  const Station* m_station = nullptr;
};

class StationRig : public StationBench {
 protected:
  ~StationRig() override { station.reset(); }

  StationSettings Settings() override {
    StationSettings settings = StationBench::Settings();
    settings.connect = unattended;
    return settings;
  }

  // Makes the station, watched by `events`, and starts it with the offsets
  // file (none when null); `started` is what Start returned.
  void Start(const char* offsets = kOffsetsFile) {
    WriteOffsets(offsets);
    station = std::make_unique<Station>(pump, clock, Settings());
    events.Watch(*station);
    station->AddObserver(&events);
    started = station->Start();
  }

  // The station closed and started again in the same folder, told afresh.
  void Restart() {
    station.reset();
    AirportManager::ClearTable();
    events.told.clear();
    Start();
  }

  // The simulator reports this airport (the field's other bytes zero).
  void SetAirport(const char* ident) {
    std::memset(Sim().airportIdent, 0, sizeof Sim().airportIdent);
    std::memcpy(Sim().airportIdent, ident, std::strlen(ident));
  }

  // One send's camera, without the LAN interface.
  const ViewSyncCamera& Send() {
    station->SendViewSync();
    return station->GetCamera();
  }

  // Connects, with the datagrams sent to 127.0.0.1 first unless told not
  // to, and runs the station until the script ends it (RunFrames).
  void RunConnected(const std::function<void(int)>& script, int maxSteps = 2000) {
    if (sendToLoopback) pump.Post([this] { station->SetDestination(LoopbackAddress()); });
    RunFrames(
        script, maxSteps, [this] { station->Connect(); }, [this] { station->End(); });
  }

  // Posts End before frame step `wanted`.
  void EndAt(int step, int wanted) {
    if (step == wanted) pump.Post([this] { station->End(); });
  }

  // The message line as it stands.
  std::string Message() const { return station->GetStatus().message; }

  // RunConnected sends to 127.0.0.1 unless told not to.
  bool sendToLoopback = true;
  // The settings for the next Start.
  bool unattended = false;

  StationRecorder events;  // outlives the station it watches
  std::unique_ptr<Station> station;
  bool started = false;
};
