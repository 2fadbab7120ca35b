// Initialisation of the LAN station: configuration from the ini file, the
// station's identity, the package table and the transmit schedule.

#include <climits>
#include <cstring>

#include "Ini_File_Reader.h"
#include "Limit.h"
#include "QMP0001_02_InitMessage.h"
#include "QMP0001_02_RtLan.h"
#include "RtLanUdp.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

struct ComputerName {
  const char* key;
  const char* displayName;
};

const ComputerName kComputers[RtLan::kComputerCount] = {
    {"QM_P_0001_02_MAIN", "Main Computer"},
    {"QM_P_0001_02_VISUAL", "Visual I/F   "},
    {"QM_P_0001_02_CNTRLS", "Controls     "},
    {"QM_P_0001_02_PFD_L_DISPLAY", "PFD Left     "},
    {"QM_P_0001_02_PFD_R_DISPLAY", "PFD Right    "},
    {"QM_P_0001_02_HSI_L_DISPLAY", "ND Left      "},
    {"QM_P_0001_02_HSI_R_DISPLAY", "ND Right     "},
    {"QM_P_0001_02_EICAS_DISPLAY", "EWD          "},
    {"QM_P_0001_02_SYS_DISPLAY", "SD           "},
    {"QM_P_0001_02_IOS_COMPUTER", "Sim Control  "},
    {"QM_P_0001_02_FMC_L", "MCDU/FMC L   "},
    {"QM_P_0001_02_FMC_R", "MCDU/FMC R   "},
    {"QM_P_0001_02_OVERHEAD", "OverHead I/O "},
    {"QM_P_0001_02_PEDISTAL_IO", "Pedestal I/O "},
    {"QM_P_0001_02_FRONT_IO", "Front I/O    "},
    {"QM_P_0001_02_AURAL_Q", "Aural Queue  "},
};

const char* const kPackageKeys[RtLan::kPackageCount] = {
    nullptr,
    "RT_LAN_PACKAGE_PFD_L",
    "RT_LAN_PACKAGE_HSI_L",
    "RT_LAN_PACKAGE_PFD_R",
    "RT_LAN_PACKAGE_HSI_R",
    "RT_LAN_PACKAGE_EWD",
    "RT_LAN_PACKAGE_SD",
    "RT_LAN_PACKAGE_FMA_L",
    "RT_LAN_PACKAGE_FMA_R",
    "RT_LAN_PACKAGE_AIRCRAFT",
    "RT_LAN_PACKAGE_ECAM_LEFT",
    nullptr,
    "RT_LAN_PACKAGE_FMC_OUT",
    "RT_LAN_PACKAGE_FMC_IN",
    "RT_LAN_PACKAGE_FLT_PLAN",
    "RT_LAN_PACKAGE_OVHD_IN",
    "RT_LAN_PACKAGE_OVHD_OUT",
    "RT_LAN_PACKAGE_FRONT_IN",
    "RT_LAN_PACKAGE_FRONT_OUT",
    "RT_LAN_PACKAGE_PEDESTAL_IN",
    "RT_LAN_PACKAGE_PEDESTAL_OUT",
    "RT_LAN_PACKAGE_AURAL_Q",
    "RT_LAN_PACKAGE_VISUAL",
    "RT_LAN_PACKAGE_DU_CONFIG",
    "RT_LAN_PACKAGE_MCDU_L",
    "RT_LAN_PACKAGE_MCDU_R",
};

const char kPostName[] = "RT_LAN";
constexpr int kHostNameSize = 255;

// A computer's address from its ini text. A text that is no dotted address
// (an empty one among them) is 0, "no computer": inet_addr's answer for it
// would be the broadcast address.
std::uint32_t ComputerAddress(const char* text) {
  std::uint32_t address = Platform::InetAddr(text);
  return address == Platform::kAddressNone ? 0 : address;
}

}  // namespace

const char* RtLan::ComputerKey(int index) {
  return index >= 0 && index < kComputerCount ? kComputers[index].key : nullptr;
}

const char* RtLan::ComputerDisplayName(int index) {
  return index >= 0 && index < kComputerCount ? kComputers[index].displayName : nullptr;
}

const char* RtLan::PackageKey(int index) {
  return index >= 0 && index < kPackageCount ? kPackageKeys[index] : nullptr;
}

void QMP0001_02_RtLan::ResetForInitialise() {
  // A repeated Initialise releases what the previous one opened.
  Teardown();
  m_initialised = false;
  m_deviceName = "Unknown";
  m_deviceIndex = RtLan::kDeviceUnknown;
  m_logEnabled = false;
  m_transmitEnabled = false;
  m_receiveEnabled = false;
  m_logFileName[0] = '\0';
  m_isA320 = m_isA330 = m_isA340 = false;
  std::memset(m_packageStats, 0, sizeof m_packageStats);
  std::memset(m_rxUdpResult, 0, sizeof m_rxUdpResult);
  m_initMessages = new QMP0001_02_InitMessage(m_simData, kBoardSlot);
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    SafeCopy(m_computerKeys[i], RtLan::ComputerKey(i), RtLan::kKeySize);
  }
}

bool QMP0001_02_RtLan::Initialise(bool readPackageLists) {
  ResetForInitialise();
  if (!ReadIniFile(readPackageLists)) return RefuseInitialise();
  if (m_standalone && !m_standaloneLogName.empty()) {
    SafeCopy(m_logFileName, m_standaloneLogName.c_str(), sizeof m_logFileName);
    m_logEnabled = true;
  }
  if (!SetUpLogFile(m_logFileName, m_logEnabled)) {
    m_initMessages->Post(kPostName, "No Log File Set Up");
    m_logEnabled = false;
  }
  if (!CheckPorts()) return RefuseInitialise();
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    m_computers[i].address = ComputerAddress(m_computerAddressText[i]);
  }
  m_ownAddress = FindOwnAddress();
  if (m_standalone) {
    m_stationAddress = m_ownAddress;
  } else if (!IdentifyStation()) {
    return RefuseInitialise();
  }
  if (!m_standalone && StationValid()) m_computers[m_deviceIndex].port = m_localPort;
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    SafeCopy(m_computers[i].key, m_computerKeys[i], RtLan::kKeySize);
    m_computers[i].index = i;
  }
  BuildPackageTable();
  if (!m_standalone) ComputeTransmitSchedule();

  if (!TranmitSetup()) return RefuseInitialise();
  // Stand-alone, nothing would ever read a receive channel; holding the
  // remote port would only take datagrams from a receiver on this host.
  if (!m_standalone && !ReceiveSetup()) return RefuseInitialise();
  if (!m_standalone) PresetIdentifiers();

  char line[RtLan::kTextSize];
  const char* deviceName = GetDeviceName();
  SafeFormat(line, sizeof line, "Device : %s IP  : %s", deviceName, GetIpText());
  if (!m_standalone) m_initMessages->Post(kPostName, line);
  m_initialised = true;
  return true;
}

bool QMP0001_02_RtLan::ReadIniFile(bool readPackageLists) {
  if (m_standalone) return true;
  Ini_File_Reader reader;
  if (!reader.OpenFile(m_iniFileName)) {
    char text[RtLan::kTextSize];
    SafeCopy(text, reader.GetErrorText(), sizeof text);
    SetError("QMP0001_02_RtLan::ReadIniFile", text);
    return false;
  }
  ReadDebugLog(reader);
  ReadAircraft(reader);
  if (!ReadIniFileForIpAddresses(reader) || !ReadRates(reader)) return false;
  if (readPackageLists) ReadPackageLists(reader);
  return true;
}

bool QMP0001_02_RtLan::CheckPorts() {
  const char* const names[] = {"Local", "Remote"};
  const int ports[] = {m_localPort, m_remotePort};
  for (int i = 0; i < 2; ++i) {
    if (RtLan::IsPortNumber(ports[i])) continue;
    char message[96];
    SafeFormat(message, sizeof message, "%s port %d is not a port number (1 to 65535)", names[i],
               ports[i]);
    SetError("QMP0001_02_RtLan::Initialise", message);
    return false;
  }
  return true;
}

bool QMP0001_02_RtLan::RefuseInitialise() {
  std::string reason = GetErrorText();
  if (m_logger == nullptr && m_logEnabled && !SetUpLogFile(m_logFileName, true)) {
    SetError(reason);  // the refusal, not the log, is what the owner must read
  }
  LogLines(reason.c_str());
  return false;
}

void QMP0001_02_RtLan::RefuseValue(const char* section, const char* item, const char* value,
                                   const char* need) {
  std::string message = std::string("[") + section + "] " + item + " = <" + value + ">: " + need;
  std::string file = "in file " + m_iniFileName;
  SetError("QMP0001_02_RtLan::ReadIniFile", message.c_str(), file.c_str());
}

void QMP0001_02_RtLan::ReadDebugLog(Ini_File_Reader& reader) {
  bool useLogFile = false;
  reader.LookForValue("DEBUG_LOG", "UseLogFile", &useLogFile);
  m_logEnabled = useLogFile;
  if (!reader.LookForValue("DEBUG_LOG", "LogFile", m_logFileName, sizeof m_logFileName, true)) {
    if (m_logEnabled) SetError("No Log File name given");
    m_logFileName[0] = '\0';
  }
}

void QMP0001_02_RtLan::ReadAircraft(Ini_File_Reader& reader) {
  m_isA320 = m_isA330 = m_isA340 = false;
  if (!reader.LookForValue("SIM_CONFIG", "AIRCRAFT", m_aircraftText, sizeof m_aircraftText, true)) {
    SetError("No aircraft type given");
    m_aircraftText[0] = '\0';
    m_isA330 = true;
    return;
  }
  if (SameIgnoringSpaces(m_aircraftText, "A320")) {
    m_isA320 = true;
  } else if (SameIgnoringSpaces(m_aircraftText, "A340")) {
    m_isA340 = true;
  } else {
    m_isA330 = true;  // also for any type the station does not know
  }
}

// Every key is tried; a missing one fails the step, as does an address text
// that is not empty (no such computer) and not a dotted IPv4 address.
bool QMP0001_02_RtLan::ReadIniFileForIpAddresses(Ini_File_Reader& reader) {
  bool allFound = true;
  char text[RtLan::kTextSize];
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    if (!reader.LookForValue("COMPUTERS", m_computerKeys[i], text, sizeof text, true)) {
      SetError("QMP0001_02_RtLan::ReadIniFileForIpAddresses", reader.GetErrorText());
      allFound = false;
      continue;
    }
    if (text[0] != '\0' && !CheckStoredAddress(m_computerKeys[i], text, m_computerAddressText[i])) {
      return false;
    }
    if (text[0] == '\0') m_computerAddressText[i][0] = '\0';
  }
  return allFound;
}

// An address as inet_addr reads it, unless that is not what the text says.
// Kept as the dotted form of what was read ("192.168.001.005" as 192.168.1.5).
bool QMP0001_02_RtLan::CheckStoredAddress(const char* key, const char* text, char* dotted) {
  std::uint32_t address = 0;
  switch (Platform::ReadStoredAddress(text, &address)) {
    case Platform::AddressReading::kRead:
      Platform::FormatDottedAddress(address, dotted, RtLan::kAddressTextSize);
      return true;
    case Platform::AddressReading::kOctalOctet: {
      char octal[RtLan::kAddressTextSize];
      Platform::FormatDottedAddress(address, octal, sizeof octal);
      std::string need = std::string("reads as ") + octal +
                         ": a part with a leading zero is octal; write it without leading zeros";
      RefuseValue("COMPUTERS", key, text, need.c_str());
      return false;
    }
    case Platform::AddressReading::kNotAnAddress:
      break;
  }
  RefuseValue("COMPUTERS", key, text, "not a dotted IPv4 address");
  return false;
}

// A number as atoi reads it (text after the digits is a remark), refused
// when there are no digits or the number is outside lowest..highest.
bool QMP0001_02_RtLan::ReadStoredNumber(const char* key, const char* text, int lowest, int highest,
                                        const char* need, int* value) {
  std::int64_t read = 0;
  if (Platform::ReadNumber(text, Platform::NumberForm::kStored, lowest, highest, &read) !=
      Platform::NumberReading::kRead) {
    RefuseValue("RATES", key, text, need);
    return false;
  }
  *value = static_cast<int>(read);
  return true;
}

// The station's frame rate, and each package's requested rate under its own
// key (10 Hz when it has none).
bool QMP0001_02_RtLan::ReadRates(Ini_File_Reader& reader) {
  char text[RtLan::kTextSize];
  int frequency = RtLan::kDefaultFrequency;
  if (!reader.LookForValue("RATES", "Frequency", text, sizeof text, true)) {
    SetError("No Frequency Given\nDefault to 20 Hz");
  } else if (!ReadStoredNumber("Frequency", text, 1, RtLan::kMaximumFrequency,
                               "not a whole number from 1 to 1000", &frequency)) {
    return false;
  }
  m_frequency = frequency;
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    int rate = RtLan::kDefaultPackageRate;
    const char* key = RtLan::PackageKey(i);
    if (key != nullptr && reader.LookForValue("RATES", key, text, sizeof text, true) &&
        !ReadStoredNumber(key, text, INT_MIN, INT_MAX, "not a whole number", &rate)) {
      return false;
    }
    m_packageRates[i] = rate;
  }
  return true;
}

void QMP0001_02_RtLan::ReadPackageLists(Ini_File_Reader& reader) {
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    const char* key = RtLan::PackageKey(i);
    m_transmits[i] = key != nullptr && reader.LookForEntry("TRANSMITS", key);
  }
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    const char* key = RtLan::PackageKey(i);
    m_receives[i] = key != nullptr && reader.LookForEntry("RECEIVES", key);
  }
}

// What this host's name resolves to; 0 when the name or its address cannot be found.
std::uint32_t QMP0001_02_RtLan::FindOwnAddress() {
  CUDP environment;  // the socket environment must be up for the look-up
  char hostName[kHostNameSize] = {};
  if (Platform::Sockets().HostName(hostName, sizeof hostName) != 0) return 0;
  std::uint32_t address = 0;
  if (!Platform::Sockets().ResolveHost(hostName, &address)) return 0;
  return address;
}

bool QMP0001_02_RtLan::IdentifyStation() {
  m_stationAddress = m_ownAddress;
  m_deviceIndex = RtLan::kDeviceNotAssigned;
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    // An address that could not be found matches no computer, not even one
    // whose ini text was no address.
    if (m_ownAddress != 0 && m_computers[i].address == m_ownAddress) {
      m_deviceIndex = i;
      break;
    }
  }
  if (!StationValid()) {
    SetError("QMP0001_02_RtLan::Initialise", "Not an assigned computer", GetIpText());
    return false;
  }
  m_deviceName = std::string(m_computerKeys[m_deviceIndex]) + " " + AddressToText(m_ownAddress);
  return true;
}

void QMP0001_02_RtLan::BuildPackageTable() {
  std::memset(m_packages, 0, sizeof m_packages);
  if (m_isA340) {
    FillPackageTable(RtLan::A340Packages());
  } else if (m_isA330) {
    FillPackageTable(RtLan::A330Packages());
  } else if (m_isA320) {
    FillPackageTable(RtLan::A320Packages());
  }
}

void QMP0001_02_RtLan::FillPackageTable(const RtLan::PackageDefinition* table) {
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    const RtLan::PackageDefinition& definition = table[i];
    RtLan::PackageRow& row = m_packages[i];
    SafeCopy(row.name, definition.name, RtLan::kPackageNameSize);
    row.size = definition.size;
    row.source = definition.source;
    row.destination = definition.destination;
    row.identifier = i;
    row.rate = Limit(RtLan::kMinimumPackageRate, m_packageRates[i], RtLan::kMaximumPackageRate);
    if (m_simData != nullptr && definition.block >= 0 && definition.size > 0) {
      RtLan::PackageBlock& block = m_simData->blocks[definition.block];
      row.data = reinterpret_cast<char*>(&block);
      row.identifierWord = &block.header.identifier;
      row.counterWord = &block.header.counter;
    }
  }
}

// The station's packages go out first at frames 302, 303, ... in table order,
// then every frequency / rate frames.
void QMP0001_02_RtLan::ComputeTransmitSchedule() {
  int k = 0;
  for (RtLan::PackageRow& row : m_packages) {
    if (row.source != m_deviceIndex) continue;
    row.nextDueFrame = RtLan::kFirstDueFrame + k++;
    int rate = row.rate > 0 ? row.rate : RtLan::kDefaultPackageRate;
    row.period = m_frequency / rate;
  }
}

void QMP0001_02_RtLan::PresetIdentifiers() {
  for (RtLan::PackageRow& row : m_packages) {
    if (row.identifierWord != nullptr) *row.identifierWord = row.identifier;
  }
}
