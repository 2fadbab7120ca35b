#include "QMP0001_02_RtLan.h"

#include <cstring>

#include "ConfigControl.h"
#include "QMP0001_02_InitMessage.h"
#include "RtLanUdp.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

bool s_registered = false;

// The object's own two units, then the six further units of the interface.
const char kSourceRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 QMP0001_02_RtLan $Revision: 1.3 $";
const char kHeaderRevision[] = "%Z% QM-P-0001-02 QM-P-0001-02-001 RtLan $Revision: 1.5 $";
const char kInitRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 QMP0001_02_RtLanInit $Revision: 1.3 $";
const char kTransmitRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 RtLanTransmit $Revision: 1.3 $";
const char kReceiveRevision[] = "%Z% QM-P-00001-02 QM-P-0001-02-001 RtLanReceive $Revision: 1.4 $";
const char kLogRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 QMP0001_02_RtLanLog $Revision: 1.1 $";
const char kReceiveMultiRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 RtLanReceiveMulti $Revision: 1.1 $";
const char kTransmitMultiRevision[] =
    "%Z% QM-P-00001-02 QM-P-0001-02-001 RtLanTransmitMulti $Revision: 1.1 $";

bool ValidPackage(int package) {
  return package >= 0 && package < RtLan::kPackageCount;
}
bool ValidComputer(int index) {
  return index >= 0 && index < RtLan::kComputerCount;
}

void Octets(std::uint32_t address, int octets[4]) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  for (int i = 0; i < 4; ++i) octets[i] = bytes[i];
}

}  // namespace

QMP0001_02_RtLan::QMP0001_02_RtLan(RtLan::SimulatorData* simulatorData)
    : m_ownAddress(0),
      m_addressText{},
      m_initialised(false),
      m_deviceIndex(RtLan::kDeviceUnknown),
      m_deviceName("Unknown"),
      m_transmitEnabled(false),
      m_receiveEnabled(false),
      m_lastAddressText{},
      m_convertedAddressText{},
      m_iniFileName("No Name Given"),
      m_stationAddress(0),
      m_bindAddress(0),
      m_standalone(false),
      m_transmits{},
      m_receives{},
      m_packageStats{},
      m_localPort(RtLan::kDefaultLocalPort),
      m_remotePort(RtLan::kDefaultRemotePort),
      m_simData(simulatorData),
      m_packages{},
      m_computers{},
      m_computerAddressText{},
      m_logEnabled(false),
      m_logFileName{},
      m_standaloneLogName(),
      m_aircraftText{},
      m_packageRates{},
      m_frequency(RtLan::kDefaultFrequency),
      m_initMessages(nullptr),
      m_computerKeys{},
      m_isA330(false),
      m_isA320(false),
      m_isA340(false),
      m_logger(nullptr),
      m_txDatagram(nullptr),
      m_rxDatagram(nullptr),
      m_txUdp{},
      m_rxUdp{},
      m_rxUdpResult{},
      m_rxBuffer{},
      m_lastSender(0),
      m_broadcast(false) {
  for (int& rate : m_packageRates) rate = RtLan::kDefaultPackageRate;
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    SafeCopy(m_computerKeys[i], RtLan::ComputerKey(i), RtLan::kKeySize);
  }
  RegisterClassOnce(
      s_registered, "QMP0001_02_RtLan",
      {kSourceRevision, kHeaderRevision, kInitRevision, kTransmitRevision, kReceiveRevision,
       kLogRevision, kReceiveMultiRevision, kTransmitMultiRevision});
}

QMP0001_02_RtLan::~QMP0001_02_RtLan() {
  Teardown();
}

// Channels in their order; the per-package channels go after the log is
// closed, so their lines reach no file.
void QMP0001_02_RtLan::Teardown() {
  if (m_txDatagram != nullptr) {
    LogText("Deleting Tx Datagram");
    delete m_txDatagram;
    m_txDatagram = nullptr;
  }
  if (m_rxDatagram != nullptr) {
    LogText("Deleting Rx Datagram");
    delete m_rxDatagram;
    m_rxDatagram = nullptr;
  }
  CloseLog();
  char line[64];
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    if (m_rxUdp[i] == nullptr) continue;
    SafeFormat(line, sizeof line, "Deleting Rx Udp %d", i);
    LogText(line);
    delete m_rxUdp[i];
    m_rxUdp[i] = nullptr;
  }
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    if (m_txUdp[i] == nullptr) continue;
    SafeFormat(line, sizeof line, "Deleting Tx Udp %d", i);
    LogText(line);
    delete m_txUdp[i];
    m_txUdp[i] = nullptr;
  }
  delete m_initMessages;
  m_initMessages = nullptr;
}

void QMP0001_02_RtLan::SetIniFileName(const char* name) {
  m_iniFileName = name != nullptr ? name : "";
}
void QMP0001_02_RtLan::SetLocalPort(int port) {
  m_localPort = port;
}
void QMP0001_02_RtLan::SetRemotePort(int port) {
  m_remotePort = port;
}
void QMP0001_02_RtLan::SetStandalone() {
  m_standalone = true;
}
void QMP0001_02_RtLan::SetLogFileName(const char* path) {
  m_standaloneLogName = path != nullptr ? path : "";
}
void QMP0001_02_RtLan::SetBindAddress(std::uint32_t address) {
  m_bindAddress = address;
}

bool QMP0001_02_RtLan::Initialise() {
  return Initialise(false);
}

const char* QMP0001_02_RtLan::GetIpText() {
  if (StationValid()) return m_computerAddressText[m_deviceIndex];
  Platform::FormatDottedAddress(m_ownAddress, m_addressText, sizeof m_addressText);
  return m_addressText;
}

const char* QMP0001_02_RtLan::GetDeviceName() const {
  return StationValid() ? RtLan::ComputerDisplayName(m_deviceIndex) : "Unknown Device";
}

bool QMP0001_02_RtLan::GetIpOctets(int* first, int* second, int* third, int* fourth) const {
  if (!StationValid() && !m_standalone) return false;
  if (first == nullptr || second == nullptr || third == nullptr || fourth == nullptr) return false;
  int octets[4];
  Octets(m_stationAddress, octets);
  *first = octets[0];
  *second = octets[1];
  *third = octets[2];
  *fourth = octets[3];
  return true;
}

void QMP0001_02_RtLan::FormatComputerIp(int index, char* buffer, int length) const {
  if (!ValidComputer(index)) {
    SafeCopy(buffer, "Invalid Device No", length);
    return;
  }
  int octets[4];
  Octets(m_computers[index].address, octets);
  SafeFormat(buffer, length, "%03d : %03d : %03d : %03d : ", octets[0], octets[1], octets[2],
             octets[3]);
}

std::uint32_t QMP0001_02_RtLan::GetComputerAddress(int index) const {
  return ValidComputer(index) ? m_computers[index].address : 0;
}

const char* QMP0001_02_RtLan::GetComputerAddressText(int index) const {
  return ValidComputer(index) ? m_computerAddressText[index] : "";
}

const char* QMP0001_02_RtLan::AddressToText(std::uint32_t address) {
  Platform::FormatDottedAddress(address, m_convertedAddressText, sizeof m_convertedAddressText);
  return m_convertedAddressText;
}

int QMP0001_02_RtLan::GetSentCount(int package) const {
  return ValidPackage(package) ? m_packages[package].sentCount : -1;
}

int QMP0001_02_RtLan::GetReceivedCount(int package) const {
  return ValidPackage(package) ? m_packages[package].receivedCount : -1;
}

bool QMP0001_02_RtLan::IsTransmitted(int package) const {
  return ValidPackage(package) && m_transmits[package];
}

bool QMP0001_02_RtLan::IsReceived(int package) const {
  return ValidPackage(package) && m_receives[package];
}

std::uint32_t QMP0001_02_RtLan::GetPeerAddress(int package) const {
  if (!ValidPackage(package)) return 0;
  const RtLan::PackageRow& row = m_packages[package];
  int peer = row.destination == m_deviceIndex ? row.source : row.destination;
  return GetComputerAddress(peer);
}

const RtLan::PackageRow* QMP0001_02_RtLan::GetPackageRow(int package) const {
  return ValidPackage(package) ? &m_packages[package] : nullptr;
}

int QMP0001_02_RtLan::GetGapCount(int package) const {
  return ValidPackage(package) ? m_packageStats[package].gapCount : 0;
}

int QMP0001_02_RtLan::GetLastCounter(int package) const {
  return ValidPackage(package) ? m_packageStats[package].lastCounter : 0;
}

int QMP0001_02_RtLan::GetMultiResult(int package) const {
  return ValidPackage(package) ? m_rxUdpResult[package] : 0;
}

const char* QMP0001_02_RtLan::GetTransmitError() {
  return m_txDatagram != nullptr ? m_txDatagram->GetErrorText() : "";
}

void QMP0001_02_RtLan::DescribeTransmitError(char* buffer, int size) const {
  if (m_txDatagram != nullptr) {
    m_txDatagram->DescribeSendError(buffer, size);
  } else {
    SafeCopy(buffer, "", size);
  }
}

int QMP0001_02_RtLan::GetTransmitErrorNumber() const {
  return m_txDatagram != nullptr ? m_txDatagram->LastSendError() : 0;
}

void QMP0001_02_RtLan::SetFrequency(int hertz) {
  m_frequency = hertz;
  ComputeTransmitSchedule();
}

void QMP0001_02_RtLan::SetPackageRate(int package, int hertz) {
  if (m_standalone || !ValidPackage(package)) return;
  RtLan::PackageRow& row = m_packages[package];
  row.rate = hertz > 0 ? hertz : RtLan::kDefaultPackageRate;
  row.nextDueFrame = RtLan::kRateChangeDueFrame;
  row.period = m_frequency / row.rate;
}
