// The window of the control panel tests: a main window live against the in-process simulated
// head under Qt's offscreen platform, the command packets the head receives decoded, and the
// key and mouse events an operator makes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "core/range_table.h"
#include "gui/control_panel.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "link/command_packet.h"
#include "sim/sim_head.h"
#include "support/temp_dir.h"
#include "window_rig.h"

namespace vq::gui {

using test_rig::WaitFor;

// The settings block fields of a command packet.
struct Command {
    float span_m = 0;
    float pulse_s = 0;
    std::uint32_t filter = 0;
    std::uint16_t gain = 0;
};

inline Command Decode(const std::vector<std::uint8_t>& c) {
    Command d;
    const std::size_t b = kRequestHeaderSize;
    std::memcpy(&d.span_m, c.data() + b + switch_block::kRangeSpan, 4);
    std::memcpy(&d.pulse_s, c.data() + b + switch_block::kPulseLength, 4);
    std::memcpy(&d.filter, c.data() + b + switch_block::kFilter, 4);
    std::memcpy(&d.gain, c.data() + b + switch_block::kGain, 2);
    return d;
}

struct Rig : test_rig::LiveWindow {
    explicit Rig(const std::string& ini = "") : LiveWindow(ini) {
        EXPECT_TRUE(WaitFor([this] { return window->sonar_view()->frames_shown() >= 2; }, 20000));
    }
    const sim::SimHead& head() const { return *engine->simulated_head(); }
    // The command of a ping the head received after everything done so far.
    Command NextCommand() {
        const std::uint64_t n = head().commands_received();
        EXPECT_TRUE(WaitFor([&] { return head().commands_received() >= n + 2; }, 10000));
        return Decode(head().last_command());
    }
    void Key(int key) { QTest::keyClick(window.get(), static_cast<Qt::Key>(key), Qt::NoModifier); }
    void Type(const QString& keys) {
        for (QChar c : keys) {
            if (c == '\r') {
                QTest::keyClick(window.get(), Qt::Key_Return);
            } else {
                QTest::keyClicks(window.get(), QString(c));
            }
        }
    }
    ControlPanel* panel() const { return window->control_panel(); }
};

// The command the range-change rule gives for range index i of the standard head.
inline void ExpectRange(const Command& c, int index) {
    EXPECT_FLOAT_EQ(c.span_m, RangeSpanMeters(index, false)) << "index " << index;
    EXPECT_FLOAT_EQ(c.pulse_s, static_cast<float>(AutoPulseLengthUs(index, false) * 0.000001));
    EXPECT_EQ(c.filter, static_cast<std::uint32_t>(AutoFilterIndex(index, false) + 1));
}

inline void MoveTo(QWidget* w, QPoint p) {
    QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPoint p, Qt::MouseButton b) {
    QMouseEvent e(QEvent::MouseButtonPress, p, w->mapToGlobal(p), b, b, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
    QMouseEvent r(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), b, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &r);
}

}  // namespace vq::gui
