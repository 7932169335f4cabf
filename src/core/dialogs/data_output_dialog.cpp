#include "core/dialogs/data_output_dialog.h"

namespace vq {

DataOutputModel::DataOutputModel(int live_output_type, bool live_include_intensities,
                                 bool point_file_open, bool beam_file_open)
    : type_(live_output_type >= 0 && live_output_type <= 2 ? live_output_type : 0),
      intensities_(live_include_intensities),
      point_open_(point_file_open),
      beam_open_(beam_file_open) {
    result_ = {type_, intensities_, type_ == 2};
}

const char* DataOutputModel::type_name(int type) {
    switch (type) {
        case 1:
            return "Q4P (Point Output)";
        case 2:
            return "Q4B (Beam Output)";
        default:
            return "None";
    }
}

std::vector<OutputFileAction> DataOutputModel::ChooseType(int type) {
    std::vector<OutputFileAction> close;
    if (type < 0 || type > 2) return close;
    type_ = type;
    if (type != 1 && point_open_) close.push_back(OutputFileAction::ClosePoint);
    if (type != 2 && beam_open_) close.push_back(OutputFileAction::CloseBeam);
    return close;
}

std::string DataOutputModel::button_text(OutputFileKind kind) const {
    const char* ext = kind == OutputFileKind::Point ? "Q4P" : "Q4B";
    return file_open(kind) ? std::string("Close .") + ext + " File"
                           : std::string("Record To .") + ext + " File...";
}

bool DataOutputModel::button_enabled(OutputFileKind kind) const {
    return type_ == (kind == OutputFileKind::Point ? 1 : 2);
}

OutputFileAction DataOutputModel::PressButton(OutputFileKind kind) const {
    if (!button_enabled(kind)) return OutputFileAction::None;
    if (kind == OutputFileKind::Point)
        return point_open_ ? OutputFileAction::ClosePoint : OutputFileAction::OpenPoint;
    return beam_open_ ? OutputFileAction::CloseBeam : OutputFileAction::OpenBeam;
}

void DataOutputModel::set_file_open(OutputFileKind kind, bool open) {
    (kind == OutputFileKind::Point ? point_open_ : beam_open_) = open;
}

bool DataOutputModel::file_open(OutputFileKind kind) const {
    return kind == OutputFileKind::Point ? point_open_ : beam_open_;
}

OkAnswer DataOutputModel::Ok() {
    result_ = {type_, intensities_, type_ == 2};
    return std::nullopt;
}

}  // namespace vq
