#include "StationOptionValues.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "BaseSharedMemory.h"
#include "LocalSocket.h"
#include "SharedSegment.h"
#include "SocketApi.h"
#include "Station.h"
#include "TextFunctions.h"
#include "ValueText.h"
#include "ViewChoices.h"

namespace {

// A receiver's port when --receiver names none: Google Earth's ViewSync port.
constexpr int kReceiverPort = 7001;

// Four numbers 0 to 255 with a dot between each, network order.
bool ReadAddress(const char* text, std::uint32_t* address) {
  return Platform::ReadStrictAddress(text, address) == Platform::AddressReading::kRead;
}

// "A.B.C.D" or "A.B.C.D:PORT" into a receiver; false with the fault.
bool ReadReceiverAddress(const char* text, ViewSyncReceiver* receiver, char* fault, int faultSize) {
  const char* colon = std::strchr(text, ':');
  const std::size_t length =
      colon != nullptr ? static_cast<std::size_t>(colon - text) : std::strlen(text);
  char address[16];  // "255.255.255.255"
  bool readable = length < sizeof address;
  if (readable) {
    SafeCopy(address, text, static_cast<int>(length + 1));
    readable = ReadAddress(address, &receiver->address);
  }
  if (!readable) {
    SafeFormat(fault, faultSize,
               "--receiver: '%s' is not an address of four numbers 0-255 with an optional port "
               "(A.B.C.D[:PORT])",
               text);
    return false;
  }
  std::int64_t port = kReceiverPort;
  if (colon != nullptr && !Platform::ReadWholeNumber(colon + 1, 1, 65535, &port)) {
    SafeFormat(fault, faultSize, "--receiver: '%s': the port is not a number from 1 to 65535",
               text);
    return false;
  }
  receiver->port = static_cast<int>(port);
  if (receiver->address == 0) {
    SafeFormat(fault, faultSize, "--receiver: '%s' is not a receiver's address", text);
    return false;
  }
  return true;
}

bool RefuseBroadcast(const char* option, const char* address, char* fault, int faultSize) {
  SafeFormat(fault, faultSize, "--%s: %s is a broadcast address: add --broadcast to send to it",
             option, address);
  return false;
}

}  // namespace

bool ReadDestinationOption(const char* value, StationSettings* settings, char* fault,
                           int faultSize) {
  std::uint32_t address = 0;
  if (!ReadAddress(value, &address)) {
    SafeFormat(fault, faultSize,
               "--destination: '%s' is not an address of four numbers 0-255 (A.B.C.D)", value);
    return false;
  }
  // Sent to, 0.0.0.0 would reach nobody: a receiver is refused it too.
  if (address == 0) {
    SafeFormat(fault, faultSize, "--destination: '%s' is not a receiver's address", value);
    return false;
  }
  std::memcpy(settings->destination, &address, sizeof settings->destination);
  settings->destinationGiven = true;
  return true;
}

bool ReadPortOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  std::int64_t number = 0;
  if (!Platform::ReadWholeNumber(value, 1, 65535, &number)) {
    SafeFormat(fault, faultSize, "--port: '%s' is not a port from 1 to 65535", value);
    return false;
  }
  settings->localPort = static_cast<int>(number);
  return true;
}

bool ReadSegmentOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  if (!Platform::IsSegmentName(value, BaseSharedMemory::kNameSize - 1)) {
    SafeFormat(fault, faultSize,
               "--segment: '%s' is not a segment name (1 to %d printable characters, no "
               "blanks or '/')",
               value, BaseSharedMemory::kNameSize - 1);
    return false;
  }
  settings->segmentName = value;
  return true;
}

bool ReadDirectoryOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  if (value[0] == '\0' || std::strlen(value) >= 1000) {
    SafeFormat(fault, faultSize, "--directory: a folder name of 1 to 999 characters is needed");
    return false;
  }
  std::error_code error;
  const bool isFolder = std::filesystem::is_directory(value, error);
  if (error) {
    SafeFormat(fault, faultSize, "--directory: cannot use '%s': %s", value,
               error.message().c_str());
    return false;
  }
  if (!isFolder) {
    SafeFormat(fault, faultSize, "--directory: '%s' is not a folder", value);
    return false;
  }
  settings->workingFolder = value;
  return true;
}

// One more receiver for the settings: a new one, and no more than they hold.
bool ReadReceiverOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  ViewSyncReceiver receiver{};
  if (!ReadReceiverAddress(value, &receiver, fault, faultSize)) return false;
  for (int i = 0; i < settings->receiverCount; ++i) {
    if (settings->receivers[i].address == receiver.address &&
        settings->receivers[i].port == receiver.port) {
      SafeFormat(fault, faultSize, "--receiver: '%s' is given twice", value);
      return false;
    }
  }
  if (settings->receiverCount == ViewSyncReceivers::kMostReceivers) {
    SafeFormat(fault, faultSize, "--receiver: '%s': at most %d receivers", value,
               ViewSyncReceivers::kMostReceivers);
    return false;
  }
  settings->receivers[settings->receiverCount++] = receiver;
  return true;
}

bool ReadViewOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  const ViewChoice* view = FindViewByName(value);
  if (view == nullptr) {
    SafeFormat(fault, faultSize, "--view: '%s' is not a view (%s)", value, ViewNameList());
    return false;
  }
  settings->view = view->mode;
  settings->viewGiven = true;
  return true;
}

bool ReadMapAltitudeOption(const char* value, StationSettings* settings, char* fault,
                           int faultSize) {
  const int most = static_cast<int>(Station::kMostMapAltitude);
  std::int64_t number = 0;
  if (!Platform::ReadWholeNumber(value, 0, most, &number)) {
    SafeFormat(fault, faultSize, "--map-altitude: '%s' is not a height from 0 to %d metres", value,
               most);
    return false;
  }
  settings->mapAltitude = static_cast<double>(number);
  settings->mapAltitudeGiven = true;
  return true;
}

bool ReadRateOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  if (std::strcmp(value, "30") == 0 || std::strcmp(value, "60") == 0) {
    settings->sendRate = value[0] == '3' ? kBaseSendRate : kFastSendRate;
    return true;
  }
  SafeFormat(fault, faultSize, "--rate: '%s' is not 30 or 60 datagrams a second", value);
  return false;
}

bool ReadTimeSliceOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  std::int64_t number = 0;
  if (!Platform::ReadWholeNumber(value, 0, kMostTimeSlice, &number) ||
      (number != 0 && number < kLeastTimeSlice)) {
    SafeFormat(fault, faultSize,
               "--time-slice: '%s' is not 0 or a slice from %d to %d microseconds", value,
               kLeastTimeSlice, kMostTimeSlice);
    return false;
  }
  settings->timeSliceMicroseconds = static_cast<int>(number);
  return true;
}

bool ReadFinalPollOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  if (std::strcmp(value, "auto") == 0) {
    settings->finalPollMicroseconds = 0;
    settings->learnWakeLead = true;
    return true;
  }
  std::int64_t number = 0;
  if (!Platform::ReadWholeNumber(value, 0, kMostFinalPoll, &number)) {
    SafeFormat(fault, faultSize,
               "--final-poll: '%s' is not a time from 0 to %d microseconds or auto", value,
               kMostFinalPoll);
    return false;
  }
  settings->finalPollMicroseconds = static_cast<int>(number);
  settings->learnWakeLead = false;
  return true;
}

bool ReadControlOption(const char* value, StationSettings* settings, char* fault, int faultSize) {
  const std::size_t length = std::strlen(value);
  if (length == 0 || length >= Platform::LocalListener::kPathSize) {
    SafeFormat(fault, faultSize, "--control: a socket's path is 1 to %d characters",
               Platform::LocalListener::kPathSize - 1);
    return false;
  }
  settings->controlPath = value;
  return true;
}

bool CheckBroadcastAddresses(const StationSettings& settings, char* fault, int faultSize) {
  if (settings.broadcast) {
    return true;
  }
  std::uint32_t destination = 0;
  std::memcpy(&destination, settings.destination, sizeof destination);
  if (settings.destinationGiven && Platform::IsBroadcastAddress(destination)) {
    char address[StationStatus::kAddressTextSize];
    Platform::FormatDottedAddress(destination, address, sizeof address);
    return RefuseBroadcast("destination", address, fault, faultSize);
  }
  for (int i = 0; i < settings.receiverCount; ++i) {
    if (Platform::IsBroadcastAddress(settings.receivers[i].address)) {
      char address[ViewSyncReceivers::kAddressTextSize];
      ViewSyncReceivers::FormatAddress(settings.receivers[i], address, sizeof address);
      return RefuseBroadcast("receiver", address, fault, faultSize);
    }
  }
  return true;
}
