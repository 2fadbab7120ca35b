// Messages larger than one socket buffer: the sender cuts them into fragments
// of one buffer each, every fragment but the last ending in a 0xFF marker that
// the receiver overwrites with the next fragment.
//
// Fragments carry no sequence number, so a fragment lost on the way (a full
// receive buffer drops it) would leave a message that looks whole. The last
// fragment of a message therefore closes with a length trailer: a tag and the
// message's length, little-endian. The receiver returns a message only when
// the bytes that arrived match that length; a message that fits one datagram
// goes as it is, without a trailer.

#include <climits>
#include <cstdlib>
#include <cstring>

#include "RtLanUdp.h"
#include "TextFunctions.h"
#include "UdpConsole.h"

namespace {

const unsigned char kTrailerTag[4] = {0xFE, 'L', 'E', 'N'};
constexpr int kTagSize = 4;

void WriteTrailer(unsigned char* trailer, int length) {
  std::memcpy(trailer, kTrailerTag, kTagSize);
  std::uint32_t value = static_cast<std::uint32_t>(length);
  for (int i = 0; i < 4; ++i) trailer[kTagSize + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The length a trailer at the end of `stream` declares; false when there is none.
bool ReadTrailer(const char* stream, int streamLength, long long* declared) {
  if (streamLength < CUDP::kTrailerSize) return false;
  const unsigned char* trailer =
      reinterpret_cast<const unsigned char*>(stream + streamLength - CUDP::kTrailerSize);
  if (std::memcmp(trailer, kTrailerTag, kTagSize) != 0) return false;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(trailer[kTagSize + i]) << (8 * i);
  *declared = value;
  return true;
}

// Bytes offset to offset + count of the stream the message and its trailer
// make, one block from each.
void CopyStream(char* to, const char* data, int total, const unsigned char* trailer, int offset,
                int count) {
  int fromData = 0;
  if (offset < total) {
    fromData = count < total - offset ? count : total - offset;
    std::memcpy(to, data + offset, static_cast<std::size_t>(fromData));
  }
  if (fromData < count) {
    std::memcpy(to + fromData, trailer + (offset + fromData - total),
                static_cast<std::size_t>(count - fromData));
  }
}

}  // namespace

int CUDP::ReadBufferSize(Platform::SocketOption option) {
  if (m_socket == 0) return -1;  // handle 0 is standard input, not a socket of ours
  int size = 0;
  if (Platform::Sockets().GetOption(m_socket, option, &size) != 0 || size < 2) return -1;
  return size;
}

int CUDP::SendLarge(const char* data, std::uint32_t address, int length) {
  if (data == nullptr || length < 0) return -1;
  int total = length != 0 ? length : static_cast<int>(std::strlen(data)) + 1;
  int maximum = ReadBufferSize(Platform::SocketOption::SendBuffer);
  if (maximum < 0) {
    UdpConsole("Error Maximum Buffer Size");
    return -1;
  }
  if (total < maximum) return Send(data, address, total);
  if (total > INT_MAX - kTrailerSize) return -1;

  char* fragment = static_cast<char*>(std::malloc(static_cast<std::size_t>(maximum)));
  if (fragment == nullptr) {
    UdpConsole("Out Of Memory");
    return -1;
  }
  unsigned char trailer[kTrailerSize];
  WriteTrailer(trailer, total);
  const int part = maximum - 1;
  const int stream = total + kTrailerSize;  // the message, then its trailer
  int offset = 0;
  int sum = 0;
  while (offset < stream) {
    bool last = stream - offset <= part;
    int count = last ? stream - offset : part;
    CopyStream(fragment, data, total, trailer, offset, count);
    if (!last) fragment[count] = static_cast<char>(kFragmentMarker);
    int sent = Send(fragment, address, last ? count : maximum);
    if (sent == -1) {
      UdpConsole("Error Sending Message");
      std::free(fragment);
      return -1;
    }
    sum += sent;
    offset += count;
  }
  std::free(fragment);
  return sum;
}

bool CUDP::WaitForFragment(unsigned long* available) {
  std::uint32_t start = m_clock->ReadMilliseconds();
  for (;;) {
    *available = BytesAvailable();
    if (*available >= 2) return true;
    if (m_clock->ReadMilliseconds() - start > static_cast<std::uint32_t>(m_timeout)) return false;
    m_clock->SleepMilliseconds(1);
  }
}

void CUDP::DropMessage(char* buffer) {
  std::free(m_data);
  m_data = nullptr;
  if (buffer != nullptr) buffer[0] = '\0';
}

// A message that did not arrive whole: nothing of it is handed out.
int CUDP::ReceiveIncomplete(char* buffer, const char* reason) {
  DropMessage(buffer);
  UdpConsole("Error Incomplete Message");
  char message[160];
  SafeFormat(message, sizeof message, "Incomplete message: %s", reason);
  SetError("CUDP::ReceiveLarge", message);
  return -1;
}

// The fragments are in: the message's length less one when the trailer
// vouches for it (or it came as one datagram), else a failure.
int CUDP::ReceiveComplete(char* buffer, int streamLength, int fragments) {
  char reason[120];
  long long declared = 0;
  int length = streamLength;
  if (ReadTrailer(m_data, streamLength, &declared)) {
    length = streamLength - kTrailerSize;
    if (declared != length) {
      SafeFormat(reason, sizeof reason, "%d of %lld bytes arrived", length, declared);
      return ReceiveIncomplete(buffer, reason);
    }
  } else if (fragments > 1) {
    SafeFormat(reason, sizeof reason, "%d bytes in %d fragments without the closing length",
               streamLength, fragments);
    return ReceiveIncomplete(buffer, reason);
  }
  m_data[length] = '\0';
  return length - 1;
}

int CUDP::ReceiveLarge(std::uint32_t* address, char* buffer, bool clearAddress, int size) {
  // A new message starts: the previous one is released, not abandoned.
  std::free(m_data);
  m_data = nullptr;
  int maximum = ReadBufferSize(Platform::SocketOption::ReceiveBuffer);
  if (maximum < 0) {
    UdpConsole("Error Maximum Buffer Size");
    return -1;
  }
  if (size < maximum) return Receive(address, buffer, true, size);

  char reason[120];
  int position = 0;
  for (int fragments = 0;; ++fragments) {
    unsigned long available = 0;
    if (!WaitForFragment(&available)) {
      if (fragments == 0) return 0;  // no message at all
      SafeFormat(reason, sizeof reason, "no fragment within %d ms after %d bytes", m_timeout,
                 position);
      return ReceiveIncomplete(buffer, reason);
    }
    std::size_t needed = static_cast<std::size_t>(position) + available + 1;
    char* grown = static_cast<char*>(std::realloc(m_data, needed));
    if (grown == nullptr) {
      UdpConsole("Out Of Memory");
      return -1;
    }
    m_data = grown;
    int received =
        Receive(address, m_data + position, clearAddress, static_cast<int>(available) + 1);
    if (received == -1) {
      DropMessage(buffer);
      return -1;
    }
    if (received < 1) return ReceiveIncomplete(buffer, "an empty fragment");
    position += received - 1;
    if (static_cast<unsigned char>(m_data[position]) != kFragmentMarker) {
      return ReceiveComplete(buffer, position + 1, fragments + 1);
    }
  }
}
