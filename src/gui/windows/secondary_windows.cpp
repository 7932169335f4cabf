#include "gui/windows/secondary_windows.h"

#include <QElapsedTimer>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/windows/altitude_window.h"
#include "gui/windows/info_window.h"
#include "gui/windows/strip_window.h"
#include "gui/windows/track_plotter_window.h"
#include "pipeline/secondary_handoff.h"
#include "pipeline/sonar_info_text.h"
#include "windows/altitude.h"

namespace vq::gui {

// What the text windows show of the newest ping.
struct SecondaryWindows::Newest {
    bool any = false;
    bool header_valid = false;
    float altitude_m = 0.0f;
    bool detection_on = false;
    int units = 0;
    DiagnosticsValues diagnostics;
    bool record_valid = false;
    PingRecord record;
};

namespace {

QString ToQString(const char* s) {
    return QString::fromUtf8(s);
}
QString ToQString(const std::string& s) {
    return QString::fromStdString(s);
}

template <class Lines>
void Split(const Lines& lines, QStringList& labels, QStringList& texts) {
    for (const auto& l : lines) {
        labels << ToQString(l.label);
        texts << ToQString(l.text);
    }
}

}  // namespace

SecondaryWindows::SecondaryWindows(Engine& engine, QWidget* main,
                                   std::function<void(int)> run_command)
    : QObject(main),
      engine_(engine),
      main_(main),
      run_command_(std::move(run_command)),
      newest_(std::make_unique<Newest>()) {
    // Pings whose header fails draw no picture: their frames are taken on a timer as well.
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &SecondaryWindows::Drain);
    timer_.start();
}

SecondaryWindows::~SecondaryWindows() = default;

QWidget* SecondaryWindows::Create(const QString& title) {
    auto close = [this](int id) { CloseFromWindow(id); };
    if (title == "Sidescan") {
        return sidescan_ =
                   new StripWindow(StripKind::kSidescan, menu::kSidescan, engine_, main_, close);
    }
    if (title == "Echo Sounder") {
        return echo_ = new StripWindow(StripKind::kEchoSounder, menu::kEchoSounder, engine_, main_,
                                       close);
    }
    if (title == "Intensity") {
        return intensity_ =
                   new StripWindow(StripKind::kIntensity, menu::kIntensity, engine_, main_, close);
    }
    if (title == "Diagnostics") {
        return diagnostics_ =
                   new InfoWindow("Diagnostics", menu::kDiagnostics, engine_, main_, close, true);
    }
    if (title == "Sonar Info") {
        return sonar_info_ =
                   new InfoWindow("Sonar Info", menu::kSonarInfo, engine_, main_, close, false);
    }
    if (title == "Sonar Status") {
        return sonar_status_ =
                   new InfoWindow("Sonar Status", menu::kSonarStatus, engine_, main_, close, false);
    }
    if (title == "Altitude")
        return altitude_ = new AltitudeWindow(menu::kAltitude, engine_, main_, close);
    if (title == "Track Plotter") {
        return track_ = new TrackPlotterWindow(menu::kTrackPlotter, engine_, main_, close);
    }
    return nullptr;
}

StripWindow* SecondaryWindows::strip(const QString& title) const {
    if (title == "Sidescan") return sidescan_;
    if (title == "Echo Sounder") return echo_;
    if (title == "Intensity") return intensity_;
    return nullptr;
}

InfoWindow* SecondaryWindows::info(const QString& title) const {
    if (title == "Diagnostics") return diagnostics_;
    if (title == "Sonar Info") return sonar_info_;
    if (title == "Sonar Status") return sonar_status_;
    return nullptr;
}

// A window closed by its own title bar switches its menu item off as a click on it would.
void SecondaryWindows::CloseFromWindow(int menu_id) {
    if (engine_.menu()[menu_id].checked && run_command_) run_command_(menu_id);
}

void SecondaryWindows::Drain() {
    QElapsedTimer clock;
    clock.start();
    StripWindow* strips[] = {sidescan_, echo_, intensity_};
    auto shown = [](const QWidget* w) { return w != nullptr && w->isVisible(); };
    engine_.SetStripWindowsShown(shown(sidescan_), shown(echo_), shown(intensity_));
    const PictureFrame& picture = engine_.Picture();
    for (StripWindow* s : strips) {
        if (shown(s)) s->SetColours(picture.palette);
    }
    Newest& newest = *newest_;
    bool any = false;
    SecondaryHandOff& ring = engine_.SecondaryFrames();
    while (const SecondaryFrame* f = ring.Front()) {
        for (StripWindow* s : strips) {
            if (shown(s)) s->Push(*f);
        }
        newest.any = true;
        newest.header_valid = f->header_valid;
        newest.altitude_m = f->altitude_m;
        newest.detection_on = f->detection_on;
        newest.units = f->units;
        newest.diagnostics = f->diagnostics;
        newest.record_valid = f->record_valid;
        if (f->record_valid) newest.record = f->record;
        ring.Pop();
        ++frames_;
        any = true;
    }
    for (StripWindow* s : strips) {
        if (s != nullptr) s->Repaint();
    }
    if (any) ShowTexts();
    busy_ms_ += static_cast<double>(clock.nsecsElapsed()) * 1e-6;
}

void SecondaryWindows::ShowTexts() {
    const Newest& v = *newest_;
    if (altitude_ != nullptr && altitude_->isVisible()) {
        altitude_->SetText(
            QString::fromStdString(AltitudeText(v.altitude_m, v.units, v.detection_on)));
    }
    if (diagnostics_ != nullptr && diagnostics_->isVisible()) {
        QStringList labels, texts;
        Split(DiagnosticsLines(v.diagnostics), labels, texts);
        diagnostics_->SetLines(labels, texts);
        diagnostics_->SetStatus(v.header_valid, v.diagnostics.transmit_disabled);
    }
    if (!v.record_valid) return;
    if (sonar_info_ != nullptr && sonar_info_->isVisible()) {
        QStringList labels, texts;
        Split(SonarInfoLines(v.record), labels, texts);
        const std::array<char, 3> id = engine_.controller_id();
        if (id[0] != 0 || id[1] != 0 || id[2] != 0) {
            labels << "Controller";
            texts << QString::fromLatin1(id.data(), 3);
        }
        sonar_info_->SetLines(labels, texts);
    }
    if (sonar_status_ != nullptr && sonar_status_->isVisible()) {
        QStringList labels, texts;
        Split(SonarStatusLines(v.record), labels, texts);
        sonar_status_->SetLines(labels, texts);
    }
}

void SecondaryWindows::OnStateChanged() {
    // A switch between the head and a recording, or another recording opened, starts the
    // three strips afresh: lines of different sources never stand side by side.
    const PlaybackSnapshot p = engine_.playback();
    const int source = engine_.in_playback() ? 1 : 0;
    if (p.opened != files_opened_ || (source != source_ && source_ >= 0)) {
        // Lines still waiting in the ring came before the change (the old source has
        // stopped, or the new file's first lines go too): none of them is drawn.
        SecondaryHandOff& ring = engine_.SecondaryFrames();
        while (ring.Front() != nullptr) ring.Pop();
        for (StripWindow* s : {sidescan_, echo_, intensity_}) {
            if (s != nullptr) s->Clear();
        }
    }
    files_opened_ = p.opened;
    source_ = source;
    const int swath = engine_.Store().Read([](const SettingsState& st) {
        return st.s.DisplaySwathCoverage | st.s.SwathCoverageHeading << 1 |
               st.s.ProfilePointDetection << 2;
    });
    if (swath != swath_settings_) {
        swath_settings_ = swath;
        if (track_ != nullptr) track_->Redraw();
    }
}

void SecondaryWindows::RememberPlaces() {
    for (SecondaryWindow* w :
         std::initializer_list<SecondaryWindow*>{sidescan_, echo_, intensity_, diagnostics_,
                                                 sonar_info_, sonar_status_, altitude_, track_}) {
        if (w != nullptr) w->RememberPlace();
    }
}

}  // namespace vq::gui
