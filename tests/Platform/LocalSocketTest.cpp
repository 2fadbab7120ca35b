// The control socket's file: what may stand at its path, its mode whatever
// the umask, who is at the other end, and I/O that never waits or raises
// SIGPIPE.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "LocalSocket.h"
#include "TempDir.h"

namespace {

// A socket file at `path` that nobody serves, as a killed station leaves it.
void LeaveStaleSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

mode_t ModeOf(const std::string& path) {
  struct stat found {};
  return lstat(path.c_str(), &found) == 0 ? found.st_mode : 0;
}

TEST(LocalListener, TakesItsPathOnlyFromNobodyElse) {
  TempDir folder;
  const std::string path = folder.File("control");
  Platform::LocalListener live;
  const struct Case {
    const char* what;
    std::function<void()> before;
    bool listens;
    const char* refusal;
  } cases[] = {
      {"nothing there", [] {}, true, ""},
      {"a socket a killed station left", [&] { LeaveStaleSocket(path); }, true, ""},
      {"a station listening", [&] { ASSERT_TRUE(live.Listen(path.c_str(), 0660)); }, false,
       "another program (a station?) listens there"},
      {"a file", [&] { folder.Write("control", "notes"); }, false,
       "something that is not a socket is there"},
      {"a folder", [&] { std::filesystem::create_directory(path); }, false,
       "something that is not a socket is there"},
  };
  for (const Case& given : cases) {
    SCOPED_TRACE(given.what);
    given.before();
    const mode_t before = ModeOf(path);
    Platform::LocalListener listener;
    EXPECT_EQ(listener.Listen(path.c_str(), 0660), given.listens) << listener.Error();
    EXPECT_STREQ(listener.Error(), given.refusal);
    if (!given.listens) {
      EXPECT_EQ(ModeOf(path), before) << "what stood there was touched";
    }
    listener.Close();
    EXPECT_EQ(ModeOf(path) != 0, !given.listens) << "Close removes the file it made, and only that";
    live.Close();
    std::filesystem::remove_all(path);
  }
  Platform::LocalListener tooLong;
  EXPECT_FALSE(tooLong.Listen(("/tmp/" + std::string(120, 'x')).c_str(), 0660));
  EXPECT_STREQ(tooLong.Error(), "a socket's path is 1 to 107 characters");
}

TEST(LocalListener, ItsFileHasTheModeAskedForWhateverTheUmask) {
  TempDir folder;
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
    const mode_t before = umask(mask);
    Platform::LocalListener listener;
    ASSERT_TRUE(listener.Listen(folder.File("control").c_str(), 0660)) << listener.Error();
    umask(before);
    EXPECT_EQ(ModeOf(folder.File("control")) & 0777, 0660u) << "umask " << mask;
  }
}

TEST(LocalListener, AConnectionCarriesItsPeerAndNeverWaitsOrRaisesSigpipe) {
  TempDir folder;
  Platform::LocalListener listener;
  ASSERT_TRUE(listener.Listen(folder.File("control").c_str(), 0660));
  Platform::PeerCredentials peer;
  EXPECT_EQ(listener.Accept(&peer), -1) << "nobody waits";

  bool nobody = true;
  char error[128];
  const int client = Platform::ConnectLocal(listener.Path(), &nobody, error, sizeof error);
  ASSERT_GE(client, 0) << error;
  const int served = listener.Accept(&peer);
  ASSERT_GE(served, 0);
  EXPECT_EQ(peer.uid, static_cast<int>(getuid()));
  EXPECT_EQ(peer.pid, static_cast<int>(getpid()));

  char buffer[16];
  EXPECT_EQ(Platform::ReadSome(served, buffer, sizeof buffer), Platform::kWouldBlock);
  Platform::WaitedDescriptor waited[2];
  waited[0].fd = served;
  waited[0].read = true;
  waited[1].fd = client;
  waited[1].write = true;
  EXPECT_TRUE(Platform::WaitForDescriptors(waited, 2, 0));
  EXPECT_FALSE(waited[0].readable);
  EXPECT_TRUE(waited[1].writable);
  EXPECT_EQ(Platform::WriteSome(client, "status\n", 7), 7);
  EXPECT_TRUE(Platform::WaitForDescriptors(waited, 1, 1000000000));
  EXPECT_TRUE(waited[0].readable);
  EXPECT_EQ(Platform::ReadSome(served, buffer, sizeof buffer), 7);

  Platform::CloseDescriptor(client);
  EXPECT_EQ(Platform::ReadSome(served, buffer, sizeof buffer), 0) << "the end of the stream";
  // A write to a peer that has gone fails; it does not end the program.
  EXPECT_EQ(Platform::WriteSome(served, "x\n", 2), Platform::kStreamFailed);
  Platform::CloseDescriptor(served);

  listener.Close();
  EXPECT_EQ(Platform::ConnectLocal(folder.File("control").c_str(), &nobody, error, sizeof error),
            -1);
  EXPECT_TRUE(nobody) << error;
}

}  // namespace
