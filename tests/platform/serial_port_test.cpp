#include "platform/serial_port.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <random>
#include <string>

#include "sensors/pty_pair.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

using test::Eventually;
using test::PtyPair;

class Collector {
  public:
    SerialPort::ByteSink Sink() {
        return [this](char c) {
            std::lock_guard<std::mutex> lock(m_);
            bytes_.push_back(c);
        };
    }
    std::string bytes() const {
        std::lock_guard<std::mutex> lock(m_);
        return bytes_;
    }

  private:
    mutable std::mutex m_;
    std::string bytes_;
};

TEST(SerialPort, AppliesTheLineSettingsOfTheIndexTablesAndRestoresThemAtClose) {
    PtyPair pty;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave_fd(), &before), 0);
    ASSERT_NE(before.c_lflag & ICANON, 0u);

    SerialPort port;
    ASSERT_TRUE(port.Open(pty.slave_name()));
    Collector got;
    // 19200 baud, 7 data bits, odd parity, 2 stop bits.
    ASSERT_TRUE(port.ConfigureAndStart({2, 2, 1, 1}, got.Sink()));
    EXPECT_TRUE(port.running());
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave_fd(), &t), 0);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
    // A pseudo-terminal keeps speed and stop bits but always reports 8 bits without parity
    // (it has no framing), so those two settings cannot be read back here.
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);  // raw bytes, nothing echoed
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON), 0u);   // CR reaches the parser as CR

    // 4800 8N1, the GPS defaults, on a second configuration.
    port.Close();
    EXPECT_FALSE(port.running());
    ASSERT_EQ(tcgetattr(pty.slave_fd(), &t), 0);
    EXPECT_EQ(t.c_lflag, before.c_lflag);
    EXPECT_EQ(t.c_cflag, before.c_cflag);
    EXPECT_EQ(t.c_iflag, before.c_iflag);
    ASSERT_TRUE(port.Open(pty.slave_name()));
    ASSERT_TRUE(port.ConfigureAndStart({0, 3, 2, 0}, got.Sink()));
    ASSERT_EQ(tcgetattr(pty.slave_fd(), &t), 0);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B4800));
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    port.Close();
    port.Close();  // twice is harmless
}

TEST(SerialPort, RefusesConfigurationsOutsideTheTablesAndFiveBitsWithTwoStopBits) {
    PtyPair pty;
    Collector got;
    const SerialLineSettings bad[] = {{0, 0, 2, 1}, {6, 3, 2, 0}, {-1, 3, 2, 0},
                                      {0, 4, 2, 0}, {0, 3, 3, 0}, {0, 3, 2, 2}};
    for (const auto& line : bad) {
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.slave_name()));
        EXPECT_FALSE(port.ConfigureAndStart(line, got.Sink()));
        EXPECT_FALSE(port.running());
    }
    SerialPort closed;
    EXPECT_FALSE(closed.ConfigureAndStart({}, got.Sink()));
    EXPECT_FALSE(closed.Open("/nonexistent/ttyS0"));
    EXPECT_FALSE(closed.is_open());
}

TEST(SerialPort, DeliversEveryByteInOrderAcrossArbitraryPieces) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.slave_name()));
    Collector got;
    ASSERT_TRUE(port.ConfigureAndStart({5, 3, 2, 0}, got.Sink()));
    std::mt19937 rng(7);
    std::string sent;
    for (int i = 0; i < 6000; ++i) sent.push_back(static_cast<char>(rng() & 0xFF));
    pty.WriteSplit(sent, {1, 7, 128, 300, 3, 129});
    ASSERT_TRUE(Eventually([&] { return got.bytes().size() >= sent.size(); }));
    EXPECT_EQ(got.bytes(), sent);
    EXPECT_EQ(port.bytes_received(), sent.size());
    port.Close();
}

TEST(SerialPort, ClosesPromptlyWhileWaitingForBytesThatNeverCome) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.slave_name()));
    Collector got;
    ASSERT_TRUE(port.ConfigureAndStart({0, 3, 2, 0}, got.Sink()));
    port.Close();  // joins the reader thread; must not hang in its 2 s wait
    EXPECT_FALSE(port.is_open());
    EXPECT_TRUE(got.bytes().empty());
}

TEST(SerialDevices, ListsOpenableTerminalsInFamilyAndNumberOrder) {
    test::TempDir dir;
    PtyPair a, b, c, d;
    namespace fs = std::filesystem;
    fs::create_symlink(a.slave_name(), dir / "ttyS10");
    fs::create_symlink(b.slave_name(), dir / "ttyS2");
    fs::create_symlink(c.slave_name(), dir / "ttyACM1");
    fs::create_symlink(d.slave_name(), dir / "ttyUSB0");
    test::WriteFile(dir / "ttyS3", "not a terminal");
    fs::create_symlink(a.slave_name(), dir / "ttySx");
    fs::create_symlink("/nonexistent/tty", dir / "ttyUSB1");

    auto list = ListSerialDevices(dir.path().string());
    std::vector<std::string> want = {(dir / "ttyS2").string(), (dir / "ttyS10").string(),
                                     (dir / "ttyUSB0").string(), (dir / "ttyACM1").string()};
    EXPECT_EQ(list, want);
    EXPECT_EQ(ResolveSerialDevice(1, "", list), want[1]);
    EXPECT_EQ(ResolveSerialDevice(3, "/dev/pts/99", list), "/dev/pts/99");
    EXPECT_EQ(ResolveSerialDevice(4, "", list), "");
    EXPECT_EQ(ResolveSerialDevice(-1, "", list), "");
    EXPECT_TRUE(SerialDeviceOpenable(a.slave_name()));
    EXPECT_FALSE(SerialDeviceOpenable((dir / "ttyS3").string()));
}

// Whether an unprivileged user finds `path` openable (root ignores exclusive use).
bool OpenableForNobody(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(SerialDeviceOpenable(path) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SerialDevices, APortHeldByOurOwnReaderStaysInTheList) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to test as another user";
    PtyPair a;
    ASSERT_EQ(chmod(a.slave_name().c_str(), 0666), 0);
    ASSERT_TRUE(OpenableForNobody(a.slave_name()));
    SerialPort held;
    ASSERT_TRUE(held.Open(a.slave_name()));  // exclusive use, as the GPS reader holds it
    EXPECT_TRUE(OpenableForNobody(a.slave_name()));
    held.Close();
    EXPECT_FALSE(OpenableForNobody("/nonexistent/tty"));
}

}  // namespace
}  // namespace vq
