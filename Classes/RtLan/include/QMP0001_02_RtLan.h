#pragma once
// The station's endpoint on the simulator's real-time LAN. Sixteen named
// computers exchange up to 25 fixed packages (blocks of the simulator data
// area) over UDP; a station transmits from its local port (7000) to the
// remote port (7001) of its peers and receives on its remote port.
//
// Stand-alone use (the visual interface):
//   QMP0001_02_RtLan lan(nullptr);
//   lan.SetLocalPort(port);
//   lan.SetStandalone();
//   if (!lan.Initialise()) show lan.GetErrorText();
//   lan.SendString(0, text, destination);   // per datagram
// No ini file is read, and only the transmit datagram channel is opened:
// nothing reads a receive channel stand-alone, so none holds the remote port
// (a ViewSync receiver on the same host gets every datagram, whether it
// shares that port or not). SetLogFileName gives the stand-alone traffic
// log; without it nothing is logged. Networked use names the ini file and
// calls Initialise(true) to read the package lists; the station then finds
// itself among the computers by its host name's address, and opens both
// datagram channels.
//
// Every send and receive returns 0 until Initialise succeeded. Senders return
// the bytes sent, -1 when the socket call failed (the failure goes to the
// traffic log) and 0 when nothing was sent. Transmit channels never wait: a
// send that finds the socket's buffer full fails at once, and a run of such
// failures leaves one line in the traffic log.

#include <cstdint>
#include <mutex>
#include <string>

#include "QM_ErrorReport.h"
#include "ReportOnce.h"
#include "RtLan.h"

class CUDP;
class RtLanLogger;
class QMP0001_02_InitMessage;
class Ini_File_Reader;

class QMP0001_02_RtLan : public QM_ErrorReport {
 public:
  // The data area holds the package blocks and the message board; it is not
  // owned and may be null, in which case nothing is ever written to it.
  explicit QMP0001_02_RtLan(RtLan::SimulatorData* simulatorData);
  ~QMP0001_02_RtLan();
  QMP0001_02_RtLan(const QMP0001_02_RtLan&) = delete;
  QMP0001_02_RtLan& operator=(const QMP0001_02_RtLan&) = delete;

  // ---- Set-up, before Initialise ----
  void SetIniFileName(const char* name);
  void SetLocalPort(int port);
  void SetRemotePort(int port);
  void SetStandalone();
  // The traffic log of stand-alone use; networked use takes DEBUG_LOG's.
  void SetLogFileName(const char* path);
  // The address every channel binds: 0, all interfaces, unless several
  // stations share one host (each then binds its own loopback address).
  void SetBindAddress(std::uint32_t address);
  // The transmit channels may send to broadcast addresses (SO_BROADCAST).
  // Off unless asked for: a broadcast address typed by mistake is then
  // refused by the system instead of reaching a whole network.
  void SetBroadcast(bool on) { m_broadcast = on; }

  // Reads the configuration (not in stand-alone mode), finds the station,
  // builds the package table and opens the datagram channels; false with the
  // reason in the error text. The common form reads no package lists. A
  // setting whose value is not what it needs (ini values, the ports) is
  // refused by name and value, also in the traffic log when there is one.
  bool Initialise();
  bool Initialise(bool readPackageLists);
  bool IsInitialised() const { return m_initialised; }

  // Steps of Initialise. ReadIniFile reads DEBUG_LOG, SIM_CONFIG, COMPUTERS,
  // RATES and, when asked, TRANSMITS and RECEIVES; a missing setting other
  // than a computer leaves a message in the error text and takes its default.
  // Refused: a computer address that is not a dotted IPv4 address (an empty
  // one means no such computer), a Frequency that is not a whole number from
  // 1 to 1000, a package rate that is not a whole number (one outside 1 to
  // 60 is held within).
  bool ReadIniFile(bool readPackageLists);
  bool ReadIniFileForIpAddresses(Ini_File_Reader& reader);
  // Finds the own address among the computers; false when it is none of them.
  bool IdentifyStation();

  // ---- Text senders (the first argument is not read) ----
  // The text without its terminator to the address (network order) at the remote port.
  int SendString(int reserved, const char* text, std::uint32_t address);
  int SendStringToComputer(int reserved, const char* text, int computer);
  int SendStringToIp(int reserved, const char* text, const char* dottedAddress);
  // The text to the address at a port of its own (1 to 65535), through the
  // transmit datagram channel, as SendString. A failure is not logged here:
  // a caller that feeds many receivers reads GetTransmitErrorNumber and
  // GetTransmitError and logs each receiver's failure once.
  int SendStringToPort(const char* text, std::uint32_t address, int port);

  // ---- Package senders ----
  // Fills in the header (counter + 1, identifier) and sends the package to its
  // destination computer; -1 for an index outside 0 to 25. The row's next due
  // frame advances whether or not it was sent.
  int SendPackage(int frame, int package, bool enable);
  // The block as it stands, to the address.
  int SendPackageToIp(int package, const char* dottedAddress);
  int SendPackageToAddress(int package, std::uint32_t address);
  // Every package of this station that is due at the frame; the result of the
  // last send. The enabling forms store the flag first.
  int TransmitDue(int frame);
  int TransmitDue(int frame, bool enable);
  // As TransmitDue, each package on its own channel (port remote + index).
  int TransmitDueMulti(int frame);
  int TransmitDueMulti(int frame, bool enable);
  void SetTransmitEnabled(bool enable) { m_transmitEnabled = enable; }
  void SetReceiveEnabled(bool enable) { m_receiveEnabled = enable; }

  // ---- Receivers: at most one datagram per call, never blocking ----
  // The datagram when it is the requested package; -1 for a datagram of
  // another package, one too short for its header, or a socket error.
  int ReceivePackage(int frame, int package, bool enable);
  // Any datagram into the caller's buffer of at least 40960 bytes.
  int ReceiveRaw(char* buffer);
  // A package 1 to 25 addressed to this station.
  int ReceiveDue(int frame);
  int ReceiveDue(int frame, bool enable);
  // Any package that has a block.
  int ReceiveAny(int frame);
  int ReceiveAny(int frame, bool enable);
  // One datagram from each per-package channel, as ReceiveAny; each result is
  // kept (GetMultiResult). Returns how many were accepted.
  int ReceiveMulti(int frame, bool enable);
  int GetMultiResult(int package) const;

  const char* GetTransmitError();
  // The transmit channel's last send failure in words, for a log line.
  void DescribeTransmitError(char* buffer, int size) const;
  // The Winsock number of the transmit channel's last failed send; 0 after a
  // send that succeeded or without the channel.
  int GetTransmitErrorNumber() const;
  // Counter statistics of the accepted datagrams; 0 outside 0 to 25. A
  // counter more than one above the last is a gap; one below it is the
  // sender starting again, not a gap.
  int GetGapCount(int package) const;
  int GetLastCounter(int package) const;

  // ---- Channels ----
  bool TranmitSetup();
  bool ReceiveSetup();
  // One receive and one transmit channel per package: receive channels first;
  // the transmit channels only when all of those opened. Refused when the
  // last package's port (remote port + 25) is beyond 65535.
  bool PackageChannelSetup();

  // ---- Accessors ----
  // The station's ini address text, or the own address when it is none of the sixteen.
  const char* GetIpText();
  // The display name of the station's computer, or "Unknown Device".
  const char* GetDeviceName() const;
  int GetDeviceIndex() const { return m_deviceIndex; }
  // The computer's key, a blank and the dotted address once identified; "Unknown" before.
  const char* GetStationName() const { return m_deviceName.c_str(); }
  // The four bytes of the station's address, first byte first; false (outputs
  // untouched) when the station is neither identified nor stand-alone.
  bool GetIpOctets(int* first, int* second, int* third, int* fourth) const;
  // This host's own address (network order), 0 when it could not be found.
  std::uint32_t GetOwnAddress() const { return m_ownAddress; }
  // What this host's name resolves to (network order), looked up now; 0 when
  // the name or its address cannot be found. Needs no initialised object.
  static std::uint32_t FindOwnAddress();
  // "192 : 168 : 001 : 020 : " or "Invalid Device No".
  void FormatComputerIp(int index, char* buffer, int length) const;
  std::uint32_t GetComputerAddress(int index) const;
  const char* GetComputerAddressText(int index) const;
  // The dotted form, valid until the next call.
  const char* AddressToText(std::uint32_t address);
  int GetSentCount(int package) const;
  int GetReceivedCount(int package) const;
  bool IsTransmitted(int package) const;
  bool IsReceived(int package) const;
  // The computer at the other end of the package.
  std::uint32_t GetPeerAddress(int package) const;
  bool IsA320() const { return m_isA320; }
  bool IsA330() const { return m_isA330; }
  bool IsA340() const { return m_isA340; }
  const char* GetAircraftText() const { return m_aircraftText; }
  int GetFrequency() const { return m_frequency; }
  // Stores the frequency and recomputes the transmit schedule.
  void SetFrequency(int hertz);
  // Not in stand-alone mode: the row's rate (10 for 0 or less), due at frame 52.
  void SetPackageRate(int package, int hertz);
  // The package row; null outside 0 to 25.
  const RtLan::PackageRow* GetPackageRow(int package) const;
  bool IsLogEnabled() const { return m_logEnabled; }
  const char* GetLogFileName() const { return m_logFileName; }

  // ---- Traffic log (nothing happens without one) ----
  // Opens the log when enabled; a null path opens the default log file.
  bool SetUpLogFile(const char* path, bool enabled);
  // An event line, cut to 79 characters.
  void LogText(const char* text);
  // Each line of the text as event lines; a longer one goes on over the next.
  void LogLines(const char* text);

  static constexpr const char* kDefaultLogFile = "/tmp/QM_RT_LAN_Log.txt";
  static constexpr int kBoardSlot = 21;

 private:
  // Configuration (QMP0001_02_RtLanInit)
  void ReadDebugLog(Ini_File_Reader& reader);
  void ReadAircraft(Ini_File_Reader& reader);
  bool ReadRates(Ini_File_Reader& reader);
  void ReadPackageLists(Ini_File_Reader& reader);
  void BuildPackageTable();
  void FillPackageTable(const RtLan::PackageDefinition* table);
  void ComputeTransmitSchedule();
  void PresetIdentifiers();
  void ResetForInitialise();
  bool CheckPorts();
  // Ends a failed Initialise: the reason also goes to the log that DEBUG_LOG
  // or SetLogFileName asks for. Returns false.
  bool RefuseInitialise();
  // Records "[section] item = <value>: need" against the ini file.
  void RefuseValue(const char* section, const char* item, const char* value, const char* need);
  bool CheckStoredAddress(const char* key, const char* text, char* dotted);
  bool ReadStoredNumber(const char* key, const char* text, int lowest, int highest,
                        const char* need, int* value);
  bool StationValid() const { return m_deviceIndex >= 0 && m_deviceIndex < RtLan::kComputerCount; }

  // Channels (RtLanTransmit, RtLanReceive and their Multi forms)
  int TransmitRow(int frame, int package, bool enabled, CUDP* channel);
  // One send on a transmit channel; a failure is logged against logAddress,
  // a run of full-buffer failures once. With `quiet`, a failure that repeats
  // the last one logged (same address, same error, no success between) is
  // not logged again.
  int SendOn(CUDP* channel, const char* data, int length, std::uint32_t address,
             std::uint32_t logAddress, bool quiet = false);
  int TransmitSchedule(int frame, bool multi);
  int TakeDatagram(CUDP* channel);
  int ReceiveAnyFrom(CUDP* channel, int frame);
  int AcceptDatagram(int package, int received, int frame);
  int DatagramIdentifier(int received) const;
  void UpdateStatistics(int package);
  bool HasBlock(int package) const;
  void LogSocketInfo(const char* function, CUDP* channel);
  // Opens one datagram channel bound to ownPort; on failure the channel's
  // text goes under the function's name and null comes back.
  CUDP* OpenChannel(const char* function, const char* creatingText, int ownPort, int otherPort,
                    bool transmit);
  void LogMyIp();
  void Teardown();

  // Traffic log (QMP0001_02_RtLanLog)
  // "<address>:<port>: <reason>".
  void LogSendError(std::uint32_t address, int port, const char* reason);
  void LogSentPackage(int bytes, int package, int counter, int frame, std::uint32_t address);
  void LogReceivedPackage(int bytes, int package, int counter, int frame, std::uint32_t address);
  void CloseLog();
  const char* LogAddressText(std::uint32_t address);

  std::uint32_t m_ownAddress;
  char m_addressText[RtLan::kAddressTextSize];
  bool m_initialised;
  int m_deviceIndex;
  std::string m_deviceName;
  bool m_transmitEnabled;
  bool m_receiveEnabled;
  char m_lastAddressText[RtLan::kAddressTextSize];
  char m_convertedAddressText[RtLan::kAddressTextSize];
  std::string m_iniFileName;
  std::uint32_t m_stationAddress;
  std::uint32_t m_bindAddress;
  bool m_standalone;
  bool m_transmits[RtLan::kPackageCount];
  bool m_receives[RtLan::kPackageCount];
  RtLan::PackageStatistics m_packageStats[RtLan::kPackageCount];
  int m_localPort;
  int m_remotePort;
  RtLan::SimulatorData* m_simData;
  RtLan::PackageRow m_packages[RtLan::kPackageCount];
  RtLan::ComputerRow m_computers[RtLan::kComputerCount];
  char m_computerAddressText[RtLan::kComputerCount][RtLan::kAddressTextSize];
  bool m_logEnabled;
  char m_logFileName[RtLan::kTextSize];
  std::string m_standaloneLogName;
  char m_aircraftText[RtLan::kTextSize];
  int m_packageRates[RtLan::kPackageCount];
  int m_frequency;
  QMP0001_02_InitMessage* m_initMessages;
  char m_computerKeys[RtLan::kComputerCount][RtLan::kKeySize];
  bool m_isA330;
  bool m_isA320;
  bool m_isA340;
  RtLanLogger* m_logger;

  CUDP* m_txDatagram;
  CUDP* m_rxDatagram;
  CUDP* m_txUdp[RtLan::kPackageCount];
  CUDP* m_rxUdp[RtLan::kPackageCount];
  int m_rxUdpResult[RtLan::kPackageCount];
  char m_rxBuffer[RtLan::kBufferSize];
  std::uint32_t m_lastSender;
  // The last send failure logged (error and destination), while no send has
  // succeeded since: a receiver that stays unreachable leaves one line, not 30
  // a second.
  ReportOnce m_sendFailure;
  bool m_broadcast;
  std::mutex m_packageLock;
};
