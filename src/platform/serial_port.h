// Read-only serial input over POSIX termios: the device list, the line settings chosen by the
// index tables of the "ComPort Setup" dialog, and a reader thread that hands every received
// byte, in order, to the instrument's character parser.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <termios.h>

namespace vq {

// Line settings by their table indexes (INI keys ComPort*_bits_per_second, _data_bits,
// _parity, _stop_bits).
struct SerialLineSettings {
    int baud_index = 0;       // 0..5: 4800, 9600, 19200, 38400, 57600, 115200
    int data_bits_index = 3;  // 0..3: 5, 6, 7, 8
    int parity_index = 2;     // 0..2: even, odd, none
    int stop_bits_index = 0;  // 0..1: 1, 2
};

inline constexpr int kSerialPortIndexCount = 32;  // port indexes 0..31 ("COM1" .. "COM32")

// Table look-ups; -1 for an index outside its table.
int SerialBaudRate(int index);
int SerialDataBits(int index);
int SerialStopBits(int index);
// 'E', 'O', 'N', or 0 for an index outside the table.
char SerialParity(int index);

// The serial devices of this machine that can be opened, in a stable order: /dev/ttyS<n>,
// then /dev/ttyUSB<n>, then /dev/ttyACM<n>, each family by ascending number. Port index n
// names entry n of this list (at most 32 entries). `dev_dir` is "/dev" except in tests.
std::vector<std::string> ListSerialDevices(const std::string& dev_dir = "/dev");

// True when `path` opens read-only as a terminal device, or is one held for exclusive use.
bool SerialDeviceOpenable(const std::string& path);

// The device for an instrument: the explicit path when one is set (ComPortGPSDevice,
// ComPortSVDevice), otherwise entry `index` of `devices`; empty when there is none.
std::string ResolveSerialDevice(int index, const std::string& explicit_path,
                                const std::vector<std::string>& devices);

// One serial input. Open, then configure_and_start; close stops the reader thread, restores the
// line settings found at open and closes the device. The destructor closes.
class SerialPort {
  public:
    // Receives every byte in arrival order, on the reader thread.
    using ByteSink = std::function<void(char)>;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device read-only for this process alone, empties its input queue and saves its
    // line settings. False (and nothing held) on failure.
    bool Open(const std::string& device);
    // Applies the line settings and, when the device accepts them, starts the reader thread and
    // raises DTR. Returns the running flag: false for an index outside its table, for 5 data
    // bits with 2 stop bits (which a UART cannot send), or when the driver refuses.
    bool ConfigureAndStart(const SerialLineSettings& line, ByteSink sink);
    // Stops and joins the reader thread, lowers DTR, discards pending input, restores the saved
    // settings and closes the device. Safe to call at any time, also twice.
    void Close();

    bool is_open() const { return fd_ >= 0; }
    // Why the last Open or ConfigureAndStart failed ("" after a success).
    const std::string& last_error() const { return last_error_; }
    bool running() const { return running_.load(std::memory_order_acquire); }
    const std::string& device() const { return device_; }
    // Bytes handed to the sink so far (for the diagnostics window).
    std::size_t bytes_received() const { return bytes_received_.load(std::memory_order_relaxed); }

  private:
    void ReaderLoop();
    bool ApplyLineSettings(const SerialLineSettings& line);

    int fd_ = -1;
    int wake_fd_ = -1;  // eventfd that wakes the reader for a prompt close
    std::string device_;
    std::string last_error_;
    termios saved_{};
    bool saved_valid_ = false;
    std::atomic<bool> running_{false};
    std::atomic<std::size_t> bytes_received_{0};
    ByteSink sink_;
    std::thread reader_;
};

}  // namespace vq
