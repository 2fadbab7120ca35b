#pragma once
// LAN stations for the fuzz targets: the fake socket calls (no network
// traffic), this host named "fakehost", ini files in /tmp that the process
// removes again.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "QMP0001_02_RtLan.h"
#include "SocketFake.h"

namespace FuzzStation {

constexpr int kLocalPort = 7000;
constexpr int kRemotePort = 7001;

// The text in a new file of its own; its path.
inline std::string WriteTempFile(const std::string& text) {
  char path[] = "/tmp/tavrion-fuzz-XXXXXX";
  int handle = mkstemp(path);
  if (handle < 0) std::abort();
  if (!text.empty() &&
      write(handle, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    std::abort();
  }
  close(handle);
  return path;
}

// An A330 LAN whose computer i is at 127.0.0.(10 + i), without a traffic log.
inline std::string LoopbackIniText() {
  std::string text =
      "[SIM_CONFIG]\nAIRCRAFT = A330\n[DEBUG_LOG]\nUseLogFile = FALSE\n[COMPUTERS]\n";
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    text += std::string(RtLan::ComputerKey(i)) + " = 127.0.0." + std::to_string(10 + i) + "\n";
  }
  return text + "[RATES]\nFrequency = 20\n[TRANSMITS]\n[RECEIVES]\n";
}

// The networked station of computer `station` on the loopback LAN, with its
// per-package channels; aborts when it does not come up.
inline QMP0001_02_RtLan* LoopbackStation(Platform::FakeSockets& sockets, RtLan::SimulatorData* data,
                                         int station) {
  Platform::InstallSockets(&sockets);
  sockets.SetHost("fakehost", Platform::AddressFromOctets(127, 0, 0, 10 + station));
  std::string ini = WriteTempFile(LoopbackIniText());
  auto* lan = new QMP0001_02_RtLan(data);
  lan->SetIniFileName(ini.c_str());
  lan->SetLocalPort(kLocalPort);
  lan->SetRemotePort(kRemotePort);
  bool up = lan->Initialise(true) && lan->PackageChannelSetup();
  unlink(ini.c_str());
  if (!up) {
    std::fprintf(stderr, "%s\n", lan->GetErrorText());
    std::abort();
  }
  return lan;
}

}  // namespace FuzzStation
