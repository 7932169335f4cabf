// The secondary windows of the main window: "Diagnostics", "Track Plotter", "Altitude",
// "Sidescan", "Echo Sounder", "Intensity", "Sonar Info" and "Sonar Status". Each ping's frame
// is taken from the engine on the window's thread: every line goes into the strips shown, and
// the texts of the newest ping into the windows shown when they changed.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vq {
class Engine;
struct SecondaryFrame;
struct PictureFrame;
}  // namespace vq

namespace vq::gui {

class AltitudeWindow;
class InfoWindow;
class SecondaryWindow;
class StripWindow;
class TrackPlotterWindow;

class SecondaryWindows : public QObject {
    Q_OBJECT
  public:
    // `run_command` runs a menu command the way the main window does (closing a window switches
    // its menu item off through it).
    SecondaryWindows(Engine& engine, QWidget* main, std::function<void(int)> run_command);
    ~SecondaryWindows() override;

    // The window with this title, made now, or nullptr for a window this class does not make.
    QWidget* Create(const QString& title);

    // Every frame handed over since the last call (the window's thread).
    void Drain();
    // The settings or the data source changed: a new recording clears the strips, the track
    // plotter follows its swath and zoom settings.
    void OnStateChanged();
    // Writes every window's place into the settings (before they are saved at exit).
    void RememberPlaces();

    StripWindow* strip(const QString& title) const;
    InfoWindow* info(const QString& title) const;
    AltitudeWindow* altitude() const { return altitude_; }
    TrackPlotterWindow* track_plotter() const { return track_; }
    // Frames taken, and the time the window's thread spent on them.
    std::uint64_t frames_taken() const { return frames_; }
    double busy_ms() const { return busy_ms_; }

  private:
    struct Newest;
    void ShowTexts();
    void CloseFromWindow(int menu_id);

    Engine& engine_;
    QWidget* main_;
    std::function<void(int)> run_command_;
    StripWindow* sidescan_ = nullptr;
    StripWindow* echo_ = nullptr;
    StripWindow* intensity_ = nullptr;
    InfoWindow* diagnostics_ = nullptr;
    InfoWindow* sonar_info_ = nullptr;
    InfoWindow* sonar_status_ = nullptr;
    AltitudeWindow* altitude_ = nullptr;
    TrackPlotterWindow* track_ = nullptr;
    std::unique_ptr<Newest> newest_;
    QTimer timer_;
    std::uint64_t files_opened_ = 0;
    int source_ = -1;  // 0 live, 1 playback, -1 before the first state
    int swath_settings_ = -1;
    std::uint64_t frames_ = 0;
    double busy_ms_ = 0.0;
};

}  // namespace vq::gui
