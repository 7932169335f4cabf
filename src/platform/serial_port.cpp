#include "platform/serial_port.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vq {

namespace {

constexpr std::array<int, 6> kBaudRates = {4800, 9600, 19200, 38400, 57600, 115200};
constexpr std::array<speed_t, 6> kBaudCodes = {B4800, B9600, B19200, B38400, B57600, B115200};
constexpr std::array<int, 4> kDataBits = {5, 6, 7, 8};
constexpr std::array<tcflag_t, 4> kDataBitFlags = {CS5, CS6, CS7, CS8};
constexpr std::array<char, 3> kParity = {'E', 'O', 'N'};
constexpr std::array<int, 2> kStopBits = {1, 2};
constexpr int kReceiveChunk = 128;  // bytes fetched per read
constexpr int kIdleWaitMs = 2000;   // the reader sleeps in steps of this length

template <typename Table>
bool InTable(const Table& t, int index) {
    return index >= 0 && index < static_cast<int>(t.size());
}

// Number after `prefix` in a device file name ("ttyUSB12" -> 12), or -1.
int DeviceNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    int n = -1;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || ptr != last) return -1;
    return n;
}

void SetDtr(int fd, bool on) {
    int bits = TIOCM_DTR;
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);  // pseudo-terminals have no DTR
}

}  // namespace

int SerialBaudRate(int index) {
    return InTable(kBaudRates, index) ? kBaudRates[index] : -1;
}
int SerialDataBits(int index) {
    return InTable(kDataBits, index) ? kDataBits[index] : -1;
}
int SerialStopBits(int index) {
    return InTable(kStopBits, index) ? kStopBits[index] : -1;
}
char SerialParity(int index) {
    return InTable(kParity, index) ? kParity[index] : 0;
}

bool SerialDeviceOpenable(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // A terminal held for exclusive use (by this program's own reader, while it runs) still
    // counts: otherwise the port in use would drop out of the list and move every index after it.
    if (fd < 0) return errno == EBUSY;
    termios t{};
    bool ok = tcgetattr(fd, &t) == 0;
    ::close(fd);
    return ok;
}

std::vector<std::string> ListSerialDevices(const std::string& dev_dir) {
    static constexpr std::array<const char*, 3> kFamilies = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<std::string> result;
    std::error_code ec;
    for (const char* family : kFamilies) {
        std::vector<std::pair<int, std::string>> found;
        for (const auto& entry : std::filesystem::directory_iterator(dev_dir, ec)) {
            std::string name = entry.path().filename().string();
            int n = DeviceNumber(name, family);
            if (n >= 0) found.emplace_back(n, entry.path().string());
        }
        std::sort(found.begin(), found.end());
        for (const auto& [n, path] : found) {
            if (static_cast<int>(result.size()) >= kSerialPortIndexCount) return result;
            if (SerialDeviceOpenable(path)) result.push_back(path);
        }
    }
    return result;
}

std::string ResolveSerialDevice(int index, const std::string& explicit_path,
                                const std::vector<std::string>& devices) {
    if (!explicit_path.empty()) return explicit_path;
    if (index < 0 || index >= static_cast<int>(devices.size())) return {};
    return devices[static_cast<std::size_t>(index)];
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(const std::string& device) {
    Close();
    int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        last_error_ = std::strerror(errno);
        return false;
    }
    if (tcgetattr(fd, &saved_) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        last_error_ = std::string("not a serial port (") + std::strerror(errno) + ")";
        ::close(fd);
        return false;
    }
    int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        last_error_ = std::strerror(errno);
        (void)ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    last_error_.clear();
    (void)tcflush(fd, TCIFLUSH);
    fd_ = fd;
    wake_fd_ = wake;
    saved_valid_ = true;
    device_ = device;
    return true;
}

bool SerialPort::ApplyLineSettings(const SerialLineSettings& line) {
    if (!InTable(kBaudCodes, line.baud_index) || !InTable(kDataBits, line.data_bits_index) ||
        !InTable(kParity, line.parity_index) || !InTable(kStopBits, line.stop_bits_index))
        return false;
    if (kDataBits[line.data_bits_index] == 5 && kStopBits[line.stop_bits_index] == 2) return false;
    termios t = saved_;
    cfmakeraw(&t);  // binary: no echo, no line editing, no translation of CR or LF
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL | kDataBitFlags[line.data_bits_index];
    char parity = kParity[line.parity_index];
    if (parity != 'N') {
        t.c_cflag |= PARENB;
        if (parity == 'O') t.c_cflag |= PARODD;
        t.c_iflag |= INPCK;
    }
    if (kStopBits[line.stop_bits_index] == 2) t.c_cflag |= CSTOPB;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (cfsetispeed(&t, kBaudCodes[line.baud_index]) != 0 ||
        cfsetospeed(&t, kBaudCodes[line.baud_index]) != 0)
        return false;
    return tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool SerialPort::ConfigureAndStart(const SerialLineSettings& line, ByteSink sink) {
    if (fd_ < 0 || reader_.joinable() || !sink) return false;
    if (!ApplyLineSettings(line)) {
        last_error_ = "the line settings were refused";
        return false;
    }
    sink_ = std::move(sink);
    running_.store(true, std::memory_order_release);
    reader_ = std::thread([this] { ReaderLoop(); });
    SetDtr(fd_, true);
    return true;
}

void SerialPort::ReaderLoop() {
    // The lowest scheduling priority: the instruments must never slow the ping cycle.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
    std::array<char, kReceiveChunk> buffer{};
    std::array<pollfd, 2> fds{};
    fds[0] = {fd_, POLLIN, 0};
    fds[1] = {wake_fd_, POLLIN, 0};
    while (running_.load(std::memory_order_acquire)) {
        int ready = ::poll(fds.data(), fds.size(), kIdleWaitMs);
        if (ready <= 0) continue;  // time-out or interrupted: look at the running flag again
        if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL) != 0) break;
        ssize_t n = 0;
        if ((fds[0].revents & POLLIN) != 0) n = ::read(fd_, buffer.data(), buffer.size());
        if (n <= 0) {
            // Read errors are ignored (a line error loses only bytes). A hung-up device (an
            // unplugged adapter, a closed pseudo-terminal) is looked at again once a second
            // instead of spinning; closing the port still ends the wait at once.
            if ((fds[0].revents & (POLLHUP | POLLERR)) != 0)
                (void)::poll(&fds[1], 1, kIdleWaitMs / 2);
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) sink_(buffer[static_cast<std::size_t>(i)]);
        bytes_received_.fetch_add(static_cast<std::size_t>(n), std::memory_order_relaxed);
    }
}

void SerialPort::Close() {
    running_.store(false, std::memory_order_release);
    if (reader_.joinable()) {
        std::uint64_t one = 1;
        (void)!::write(wake_fd_, &one, sizeof one);
        reader_.join();
    }
    sink_ = nullptr;
    if (fd_ >= 0) {
        SetDtr(fd_, false);
        (void)tcflush(fd_, TCIOFLUSH);
        if (saved_valid_) (void)tcsetattr(fd_, TCSANOW, &saved_);
        (void)ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }
    if (wake_fd_ >= 0) {
        ::close(wake_fd_);
        wake_fd_ = -1;
    }
    saved_valid_ = false;
    device_.clear();
}

}  // namespace vq
