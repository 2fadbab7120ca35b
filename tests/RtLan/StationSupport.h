#pragma once
// Networked LAN stations for the tests: an ini file per station, each station
// on a loopback address of its own (127.0.0.10 + computer index), found by a
// host name that resolves to that address.

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "QMP0001_02_RtLan.h"
#include "SocketApi.h"
#include "TempDir.h"

namespace StationTest {

inline std::uint32_t ComputerAddress(int computer) {
  return LoopbackAddress(10 + computer);
}
inline std::string ComputerText(int computer) {
  return "127.0.0." + std::to_string(10 + computer);
}

struct IniSettings {
  std::string aircraft = "A330";  // empty: no AIRCRAFT line
  bool useLogFile = false;
  std::string logFile;                   // empty: no LogFile line
  int frequency = 20;                    // below 0: no Frequency line
  std::string frequencyText;             // when not empty: the Frequency value as written
  std::map<int, std::string> addresses;  // overrides of the computers' addresses
  std::set<int> missingComputers;
  std::map<std::string, int> rates;
  std::map<std::string, std::string> rateTexts;  // rates as written
  std::vector<std::string> transmits;
  std::vector<std::string> receives;
};

inline std::string IniText(const IniSettings& settings) {
  std::string text = "[SIM_CONFIG]\n";
  if (!settings.aircraft.empty()) text += "AIRCRAFT = " + settings.aircraft + "\n";
  text +=
      "\n[DEBUG_LOG]\nUseLogFile = " + std::string(settings.useLogFile ? "TRUE" : "FALSE") + "\n";
  if (!settings.logFile.empty()) text += "LogFile = " + settings.logFile + "\n";
  text += "\n[COMPUTERS]\n";
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    if (settings.missingComputers.count(i) != 0) continue;
    auto found = settings.addresses.find(i);
    text += std::string(RtLan::ComputerKey(i)) + " = " +
            (found != settings.addresses.end() ? found->second : ComputerText(i)) + "\n";
  }
  text += "\n[RATES]\n";
  if (!settings.frequencyText.empty()) {
    text += "Frequency = " + settings.frequencyText + "\n";
  } else if (settings.frequency >= 0) {
    text += "Frequency = " + std::to_string(settings.frequency) + "\n";
  }
  for (const auto& [key, rate] : settings.rates) text += key + " = " + std::to_string(rate) + "\n";
  for (const auto& [key, rate] : settings.rateTexts) text += key + " = " + rate + "\n";
  text += "\n[TRANSMITS]\n";
  for (const std::string& key : settings.transmits) text += key + "\n";
  text += "\n[RECEIVES]\n";
  for (const std::string& key : settings.receives) text += key + "\n";
  return text;
}

// The machine's socket calls, with this host's name resolving to a chosen
// address (or to none, or no name at all).
class HostSockets : public Platform::SocketApi {
 public:
  explicit HostSockets(std::uint32_t ownAddress) : m_ownAddress(ownAddress) {}

  bool hostNameFails = false;
  bool resolves = true;
  int failSendError = 0;  // non-zero: every send fails with this Winsock number

  int StartEnvironment(std::uint16_t version) override {
    return System().StartEnvironment(version);
  }
  void StopEnvironment() override { System().StopEnvironment(); }
  Platform::SocketHandle OpenDatagramSocket() override { return System().OpenDatagramSocket(); }
  int Close(Platform::SocketHandle socket) override { return System().Close(socket); }
  int SetOption(Platform::SocketHandle socket, Platform::SocketOption option, int value) override {
    return System().SetOption(socket, option, value);
  }
  int GetOption(Platform::SocketHandle socket, Platform::SocketOption option, int* value) override {
    return System().GetOption(socket, option, value);
  }
  int Bind(Platform::SocketHandle socket, const Platform::SocketAddress& address) override {
    return System().Bind(socket, address);
  }
  int SendTo(Platform::SocketHandle socket, const void* data, int length,
             const Platform::SocketAddress& destination) override {
    if (failSendError != 0) {
      m_lastError = failSendError;
      return -1;
    }
    m_lastError = 0;
    return System().SendTo(socket, data, length, destination);
  }
  int ReceiveFrom(Platform::SocketHandle socket, void* buffer, int size,
                  Platform::SocketAddress* source, bool peek) override {
    m_lastError = 0;
    return System().ReceiveFrom(socket, buffer, size, source, peek);
  }
  int ReceiveMessage(Platform::SocketHandle socket, void* buffer, int size,
                     Platform::SocketAddress* source, Platform::ReceiveDetails* details) override {
    m_lastError = 0;
    return System().ReceiveMessage(socket, buffer, size, source, details);
  }
  int BytesWaiting(Platform::SocketHandle socket, unsigned long* count) override {
    return System().BytesWaiting(socket, count);
  }
  bool Readable(Platform::SocketHandle socket) override { return System().Readable(socket); }
  int HostName(char* buffer, int size) override {
    if (hostNameFails) return -1;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", "lan-station-under-test");
    return 0;
  }
  bool ResolveHost(const char* name, std::uint32_t* address) override {
    if (!resolves || std::string(name) != "lan-station-under-test") return false;
    *address = m_ownAddress;
    return true;
  }
  int LastError() override { return m_lastError != 0 ? m_lastError : System().LastError(); }

 private:
  static Platform::SocketApi& System() { return Platform::SystemSockets(); }
  std::uint32_t m_ownAddress;
  int m_lastError = 0;
};

// A networked station on its own loopback address.
struct Station {
  std::unique_ptr<QMP0001_02_RtLan> lan;
  bool initialised = false;
};

inline Station MakeStation(RtLan::SimulatorData* data, const std::string& iniFile,
                           std::uint32_t ownAddress, int localPort, int remotePort,
                           bool readPackageLists = true) {
  HostSockets host(ownAddress);
  Platform::ScopedSockets installed(host);
  Station station;
  station.lan = std::make_unique<QMP0001_02_RtLan>(data);
  station.lan->SetIniFileName(iniFile.c_str());
  station.lan->SetLocalPort(localPort);
  station.lan->SetRemotePort(remotePort);
  station.lan->SetBindAddress(ownAddress);
  station.initialised = station.lan->Initialise(readPackageLists);
  return station;
}

// Calls the receiver until it reports something other than "nothing waiting",
// bounded in case the datagram never arrives.
inline int FirstResult(const std::function<int()>& receive) {
  for (int attempt = 0; attempt < 3000; ++attempt) {
    int result = receive();
    if (result != 0) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 0;
}

}  // namespace StationTest
