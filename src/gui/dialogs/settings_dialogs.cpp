#include "gui/dialogs/settings_dialogs.h"

#include <cmath>

#include "app/engine.h"
#include "app/menu_table.h"
#include "core/dialogs/numeric_dialog.h"
#include "core/range_table.h"
#include "gui/dialogs/com_port_view.h"
#include "gui/dialogs/data_output_view.h"
#include "gui/dialogs/profile_views.h"
#include "gui/dialogs/small_views.h"
#include "gui/dialogs/switches_view.h"
#include "gui/dialogs/value_dialog.h"
#include "gui/qt_operator.h"
#include "platform/serial_port.h"
#include "recording/file_dialogs.h"

namespace vq::gui {
namespace {

bool Show(QDialog& dialog, const DialogContext& c) {
    PlaceOverMainWindow(&dialog, c.main);
    return dialog.exec() == QDialog::Accepted;
}

ValueModelHooks HooksOf(NumericDialogModel& m) {
    return {[&m] { return m.Text(); },
            [&m] { m.StepUp(); },
            [&m] { m.StepDown(); },
            [&m] { m.Default(); },
            [&m](std::string_view t) { m.TextChanged(t); },
            [&m] { return m.Ok(); },
            m.typing_allowed()};
}

// One of the one-value dialogs; the accepted value, or nothing.
std::optional<double> RunValue(const NumericSpec& spec, double live, const char* label,
                               const char* unit, const DialogContext& c) {
    NumericDialogModel m(spec, live);
    ValueDialog d(c.main, c.op, spec.caption, label, unit, QString(), HooksOf(m));
    if (!Show(d, c)) return std::nullopt;
    return m.value();
}

void RunSoundVelocity(const SettingsState& st, const DialogContext& c) {
    SoundVelocityModel m(st.s.SoundVelocityMeters, st.s.Units, st.work.sound_velocity_current);
    ValueModelHooks h = HooksOf(m.field());
    h.ok = [&m] { return m.Ok(); };
    ValueDialog d(c.main, c.op, SoundVelocityModel::kCaption,
                  "Speed of Sound " + Q(m.in_effect_text()), m.unit_label(), QString(),
                  std::move(h));
    if (Show(d, c)) c.engine.SetSoundVelocity(m.accepted_mps());
}

void RunSwitches(const SettingsState& st, const DialogContext& c) {
    const SwitchesValues live = SwitchesValuesOf(st);
    const SwitchesHead head = SwitchesHeadOf(st);
    if (c.engine.in_playback()) {
        ReadOnlySwitchesDialog d(c.main, ReadOnlySwitchesTexts(live, head, st.s.Units));
        Show(d, c);
        return;
    }
    SetSwitchesModel m(live, head, st.s.Units);
    SetSwitchesDialog d(c.main, c.op, m);
    if (Show(d, c)) c.engine.ApplySwitches(m.result());
}

void RunComPorts(const SettingsState& st, const DialogContext& c) {
    if (c.engine.in_playback()) return;
    ComPortSetupModel m(ComPortValuesOf(st.s), ListSerialDevices());
    ComPortDialog d(c.main, c.op, m,
                    [&c](const ComPortSetupValues& v) { c.engine.SetComPorts(v); });
    Show(d, c);
}

// Opens (after its file dialog) or closes a live point or beam file at once; whether it is
// open afterwards as far as the window knows.
bool ActOnOutputFile(OutputFileAction a, const DialogContext& c) {
    const bool point = a == OutputFileAction::OpenPoint || a == OutputFileAction::ClosePoint;
    const OutputKind kind = point ? OutputKind::Point : OutputKind::Beam;
    if (a == OutputFileAction::ClosePoint || a == OutputFileAction::CloseBeam) {
        c.engine.SetOutputFile(kind, {});
        return false;
    }
    const FileDialogKind dk = point ? FileDialogKind::PointFile : FileDialogKind::BeamFile;
    const FileChoice choice = CheckChosenFiles(dk, c.ask_files(FileDialogFor(dk)));
    if (!choice.message.empty()) c.op.MessageBox(choice.message, choice.message_title);
    if (!choice.accepted()) return c.engine.recording().output_open(kind);
    return c.engine.SetOutputFile(kind, choice.paths.front());
}

void RunDataOutput(const SettingsState& st, const DialogContext& c) {
    const RecordingSnapshot files = c.engine.recording();
    DataOutputModel m(st.s.DataOutputType, st.s.ProfilePointIntensityOutput == 1,
                      files.output_open(OutputKind::Point), files.output_open(OutputKind::Beam));
    DataOutputActions actions;
    actions.act = [&c](OutputFileAction a) { return ActOnOutputFile(a, c); };
    actions.file_open = [&c](OutputFileKind k) {
        return c.engine.recording().output_open(k == OutputFileKind::Point ? OutputKind::Point
                                                                           : OutputKind::Beam);
    };
    DataOutputDialog d(c.main, m, actions);
    QObject::connect(&c.op, &QtOperator::EngineStateChanged, &d, &DataOutputDialog::FilesChanged);
    if (Show(d, c)) c.engine.SetDataOutput(m.result());
}

void RunAdvancedFilter(const DialogContext& c, QWidget* parent) {
    const int samples =
        c.engine.Store().Read([](const SettingsState& st) { return st.s.DataPointsSwitch; }) == 1
            ? 1000
            : 500;
    AdvancedFilterModel m(c.engine.advanced_filter(), samples);
    AdvancedFilterDialog d(parent, c.op, m);
    PlaceOverMainWindow(&d, c.main);
    if (d.exec() == QDialog::Accepted) c.engine.SetAdvancedFilter(m.result());
}

void RunProfileSetup(const SettingsState& st, const DialogContext& c) {
    ProfileSetupModel m(ProfileSetupValuesOf(st.s), st.work.profile_max_depth_limit_m,
                        RangeSpanMeters(st.s.Range, st.head.fine_resolution), st.s.Units);
    ProfileSetupDialog* self = nullptr;
    ProfileSetupDialog d(c.main, c.op, m, [&c, &self] { RunAdvancedFilter(c, self); });
    self = &d;
    if (Show(d, c)) c.engine.SetProfileSetup(m.result());
}

}  // namespace

bool RunSettingsDialog(int id, const DialogContext& c) {
    const SettingsState st = c.engine.Store().snapshot();
    switch (id) {
        case menu::kSwitches:
            RunSwitches(st, c);
            return true;
        case menu::kComPorts:
            RunComPorts(st, c);
            return true;
        case menu::kSoundVelocity:
            RunSoundVelocity(st, c);
            return true;
        case menu::kPersistence:
            if (auto v =
                    RunValue(kPersistenceSpec, st.s.Persistence, "Persistence Time:", "seconds", c))
                c.engine.SetPersistence(static_cast<int>(*v));
            return true;
        case menu::kMaxFilesize:
            if (auto v = RunValue(kMaxFilesizeSpec, st.s.MaximumFilesize,
                                  "Maximum Filesize:", "MBytes", c))
                c.engine.SetMaximumFilesize(static_cast<int>(*v));
            return true;
        case menu::kVideoRate:
            if (auto v = RunValue(kVideoRateSpec, st.s.RecordVideoRate,
                                  "Recording Rate:", "frames/sec", c))
                c.engine.SetVideoRecordingRate(*v);
            return true;
        case menu::kTiltAngle:
            if (auto v =
                    RunValue(kTiltAngleSpec, st.s.ProfileTiltAngle, "Tilt Angle:", "Degrees", c))
                c.engine.SetProfileTiltAngle(*v);
            return true;
        case menu::kIPAddress: {
            IpAddressModel m(st.s.IPAddress_Sonar1, st.s.IPAddress_Output1);
            IpAddressDialog d(c.main, c.op, m);
            if (Show(d, c)) c.engine.SetAddresses(m.sonar_text(), m.output_text());
            return true;
        }
        case menu::kDeviceOffsets: {
            DeviceOffsetsModel m(DeviceOffsetsOf(st.s), st.s.ComPortGPSEnable == 1, st.s.Units);
            DeviceOffsetsDialog d(c.main, c.op, m);
            if (Show(d, c)) c.engine.SetDeviceOffsets(m.result());
            return true;
        }
        case menu::kDataOutput:
            RunDataOutput(st, c);
            return true;
        case menu::kProfileSetup:
            RunProfileSetup(st, c);
            return true;
        case menu::kAbout: {
            AboutDialog d(c.main, VQ_VERSION_TEXT);
            Show(d, c);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace vq::gui
